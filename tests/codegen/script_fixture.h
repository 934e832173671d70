// The generator tests' fixture: fresh settings naming the branch and loop
// chips and their exits as the shipped settings do, and a program on a
// catalogue given as text. The settings are put back after each test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/chip_catalogue.h"
#include "foundation/settings.h"
#include "program/block_program.h"
#include "program/program_settings.h"

using Properties = std::vector<std::pair<std::string, std::string>>;

class ScriptFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    m_saved = Settings;
    Settings = SettingsData{};
    Settings.IfChipID = "if";
    Settings.IfChipTrueID = "yes";
    Settings.IfChipFalseID = "no";
    Settings.LoopChipID = "loop";
    Settings.LoopChipTrueID = "again";
    Settings.LoopChipFalseID = "done";
  }
  void TearDown() override { Settings = m_saved; }

  // An empty program on the current settings' grid.
  void Start(const std::string& catalogue) {
    m_catalogue = std::make_unique<CChipCatalogue>();
    m_catalogue->Parse(catalogue);
    m_program = std::make_unique<CBlockProgram>();
    m_program->Init(m_catalogue.get(), ProgramSettingsFrom(Settings));
  }
  void Place(int x, int y, const std::string& chip, const Properties& properties = {}) {
    m_program->AddBox(x, y, chip);
    for (const auto& [key, value] : properties) {
      m_program->SetBoxProperty(x, y, key, value);
    }
  }

  std::unique_ptr<CChipCatalogue> m_catalogue;
  std::unique_ptr<CBlockProgram> m_program;

 private:
  SettingsData m_saved;
};
