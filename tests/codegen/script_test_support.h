// Shared set-up of the script generator tests: a catalogue from text, a
// program on a fresh grid, and settings restored after each test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/settings.h"
#include "catalogue/chip_catalogue.h"
#include "codegen/script_generator.h"
#include "program/block_program.h"

class ScriptTest : public ::testing::Test {
 protected:
  using Properties = std::vector<std::pair<std::string, std::string>>;

  void SetUp() override {
    m_saved = Settings;
    Settings = SettingsData{};
  }
  void TearDown() override { Settings = m_saved; }

  // The catalogue of the worked examples: a plain chip, one with a NUM and
  // one with a SELECT property.
  static constexpr std::string_view kExampleChips =
      "<define a>\ncode=CMD:A\n</define>\n"
      "<define b>\ncode=CMD:B:*1\nproperty1_name=speed\nproperty1_type=NUM\n</define>\n"
      "<define c>\ncode=CMD:C:*1\nproperty1_name=mode\nproperty1_type=SELECT;slow;fast\n"
      "property1_code=1;2\n</define>\n";

  // Parses the catalogue and starts an empty program on the grid of the
  // current settings.
  CBlockProgram& Start(std::string_view catalogue) {
    m_catalogue = std::make_unique<CChipCatalogue>();
    m_catalogue->Parse(catalogue);
    m_program = std::make_unique<CBlockProgram>();
    m_program->Init(m_catalogue.get());
    return *m_program;
  }

  void Place(int x, int y, const std::string& chip, const Properties& properties = {}) {
    m_program->AddBox(x, y, chip);
    for (const auto& [key, value] : properties) {
      m_program->SetBoxProperty(x, y, key, value);
    }
  }

  std::string Compile() {
    std::string script;
    EXPECT_TRUE(GenerateScript(*m_program, &script));
    return script;
  }

  std::unique_ptr<CChipCatalogue> m_catalogue;
  std::unique_ptr<CBlockProgram> m_program;

 private:
  SettingsData m_saved;
};
