// Fuzzes the file dialog's answers as the save and open rounds take them:
// the input, cut at NUL bytes, is what the dialog answers round after round
// (an empty answer is a cancel). A scratch folder holds "taken.bhb", so that
// an answer "taken" makes the dialog ask again. The first byte picks the
// mode. The arguments for the next round are built from every answer.
#include <unistd.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/dialog.h"

#include "scratch_folder.h"

namespace {

using fuzz::Check;
using fuzz::EnterScratchFolder;

bool EndsWithBhb(const std::string& path) {
  if (path.size() < 4) {
    return false;
  }
  std::string tail = path.substr(path.size() - 4);
  for (char& c : tail) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return tail == ".bhb";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  EnterScratchFolder("pelu_fuzz_dialog", "taken.bhb", "x");
  std::vector<std::string> answers(1);
  for (std::size_t i = 1; i < size; ++i) {
    if (data[i] == 0) {
      answers.emplace_back();
    } else {
      answers.back().push_back(static_cast<char>(data[i]));
    }
  }
  platform::FileDialogOptions options;
  options.mode =
      (data[0] & 1) != 0 ? platform::FileDialogMode::kSave : platform::FileDialogMode::kOpen;
  options.filterName = "Behavior Block(*.bhb)";
  options.patterns = {"*.bhb", "*.BHB"};
  options.defaultExtension = "bhb";
  options.startFolder = ".";
  std::size_t round = 0;
  platform::SetFileDialogHandler([&](const platform::FileDialogOptions& asked) {
    // Whatever name the last round ended with, the arguments can be built.
    Check(platform::DialogArguments(asked, "zenity", 0).size() >= 3);
    platform::FileDialogResult result;
    if (round < answers.size() && !answers[round].empty()) {
      result.status = platform::FileDialogStatus::kChosen;
      result.path = answers[round];
    }
    ++round;
    return result;
  });
  const platform::FileDialogResult result = platform::ShowFileDialog(options);
  platform::SetFileDialogHandler(nullptr);
  Check(round >= 1 && round <= answers.size() + 1);
  if (result.status == platform::FileDialogStatus::kChosen) {
    const std::string& answer = answers[round - 1];
    if (options.mode == platform::FileDialogMode::kSave) {
      // A save always names a .bhb file: the answer or the answer with it.
      Check(EndsWithBhb(result.path));
      Check(result.path == answer || result.path == answer + ".bhb");
    } else {
      Check(result.path == answer);
    }
  } else {
    Check(result.status == platform::FileDialogStatus::kCancelled && result.path.empty());
  }
  return 0;
}
