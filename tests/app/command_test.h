// The working directory of the command-line commands' tests: a catalogue of
// one chip and a two-chip program, and a way to run a command in-process
// with its stderr captured.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/settings.h"
#include "support/temp_dir.h"

class CommandTest : public ::testing::Test {
 protected:
  using Command = int (*)(const std::vector<std::string>&);

  void SetUp() override {
    m_saved = Settings;
    WriteSettings("");
    m_dir.WriteFile("ChipDB.txt",
                    "<category>\r\n0=all\r\n</category>\r\n<define go>\r\n"
                    "code=GO:*1\r\nproperty1_name=n\r\nproperty1_type=NUM\r\n"
                    "</define>\r\n");
    m_dir.WriteFile("p.bhb",
                    "<box 0 0 go>\r\nn=7\r\nto=right\r\n</box>\r\n"
                    "<box 1 0 go>\r\nn=8\r\n</box>\r\n");
  }
  void TearDown() override { Settings = m_saved; }

  // setting.ini with a 4 x 4 grid and the further lines given.
  void WriteSettings(const std::string& moreLines) {
    m_dir.WriteFile("setting.ini", "[general]\r\nMaxChipNumX=4\r\nMaxChipNumY=4\r\n" + moreLines);
  }

  // Runs the command with stderr sent to a file; *errors gets what it wrote.
  int RunCapturing(Command command, const std::vector<std::string>& args, std::string* errors) {
    const std::string file = m_dir.Path() + "/stderr.txt";
    std::fflush(stderr);
    const int saved = dup(2);
    std::FILE* capture = std::fopen(file.c_str(), "wb");
    dup2(fileno(capture), 2);
    std::fclose(capture);
    const int status = command(args);
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    *errors = ReadFileBytes(file);
    return status;
  }

  ScopedTempDir m_dir;

 private:
  SettingsData m_saved;
};
