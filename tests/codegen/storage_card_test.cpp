// The storage-card copy of the finished script.
#include "codegen/storage_card.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace {

// Bytes a text-mode reader or writer would be tempted to change.
const std::string kScript = std::string("LED:R:ON\r\nA\rB\nC\0D\r\n", 19) + "\x83\x5c\r\n";

TEST(StorageCardTest, CopiesByteForByteOverAnOldFile) {
  ScopedTempDir dir;
  dir.WriteFile("out.r", kScript);
  dir.WriteFile("card/ROBOT.R", "an older and longer script that must not survive in part");
  // The path may use '\' as the separator, as a Windows path would.
  dir.WriteFile("setting.ini", "[general]\r\nStorageCardPath=card\\ROBOT.R\r\n");
  ASSERT_TRUE(CopyScriptToStorageCard());
  EXPECT_EQ(dir.ReadFile("card/ROBOT.R"), kScript);
  EXPECT_EQ(dir.ReadFile("out.r"), kScript);
}

TEST(StorageCardTest, NoCardSetUpNoCardThereOrNoScriptIsAFailure) {
  ScopedTempDir dir;
  dir.WriteFile("out.r", kScript);
  EXPECT_FALSE(CopyScriptToStorageCard());  // without setting.ini the key reads "0"
  for (const char* setting : {"IP=127.0.0.1\r\n", "StorageCardPath=\r\n", "StorageCardPath= 0 \r\n",
                              "StorageCardPath=nocard/out.r\r\n"}) {
    dir.WriteFile("setting.ini", std::string("[general]\r\n") + setting);
    EXPECT_FALSE(CopyScriptToStorageCard()) << setting;
  }
  EXPECT_FALSE(dir.Exists("0"));
  EXPECT_FALSE(dir.Exists("nocard"));
  // A folder where the file should be is not replaced.
  std::filesystem::create_directories(dir.Path() + "/nocard/out.r");
  EXPECT_FALSE(CopyScriptToStorageCard());
  EXPECT_TRUE(std::filesystem::is_directory(dir.Path() + "/nocard/out.r"));
  // No script to copy.
  dir.WriteFile("setting.ini", "[general]\r\nStorageCardPath=copy.r\r\n");
  EXPECT_FALSE(CopyScriptToStorageCard("missing.r"));
  EXPECT_FALSE(dir.Exists("copy.r"));
}

}  // namespace
