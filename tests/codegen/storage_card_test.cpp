// The storage-card copy of the finished script.
#include "codegen/storage_card.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace {

TEST(StorageCardTest, CopiesByteForByteOverAnOldFileAndRefusesWhatIsNotSetUp) {
  // Bytes a text-mode reader or writer would be tempted to change.
  const std::string script = std::string("A\rB\nC\0D\r\n", 10) + "\x83\x5c\r\n";
  ScopedTempDir dir;
  dir.WriteFile("out.r", script);
  dir.WriteFile("card/ROBOT.R", "an older and longer script that must not survive in part");
  dir.WriteFile("setting.ini", "[general]\r\nStorageCardPath=card\\ROBOT.R\r\n");
  ASSERT_TRUE(CopyScriptToStorageCard());
  EXPECT_EQ(dir.ReadFile("card/ROBOT.R"), script);

  // No key (it reads "0"), an empty one, no card, a folder in the file's
  // place, no script: failures, and nothing created.
  std::filesystem::create_directories(dir.Path() + "/folder/out.r");
  for (const char* setting : {"IP=1\r\n", "StorageCardPath=\r\n", "StorageCardPath= 0 \r\n",
                              "StorageCardPath=nocard/out.r\r\n", "StorageCardPath=folder/out.r"}) {
    dir.WriteFile("setting.ini", std::string("[general]\r\n") + setting);
    EXPECT_FALSE(CopyScriptToStorageCard()) << setting;
  }
  EXPECT_FALSE(dir.Exists("0"));
  EXPECT_FALSE(dir.Exists("nocard"));
  EXPECT_TRUE(std::filesystem::is_directory(dir.Path() + "/folder/out.r"));
  dir.WriteFile("setting.ini", "[general]\r\nStorageCardPath=copy.r\r\n");
  EXPECT_FALSE(CopyScriptToStorageCard("missing.r"));
  EXPECT_FALSE(dir.Exists("copy.r"));
}

}  // namespace
