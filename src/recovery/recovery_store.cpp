// Recovery files (see recovery_store.h).
#include "recovery/recovery_store.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>
#include <utility>

#include "platform/file_system.h"
#include "program/program_file.h"

namespace recovery {
namespace {

// The first line of every recovery file; a file without it is not ours.
constexpr std::string_view kMagic = "PELU BLOCK recovery 1\n";
constexpr std::string_view kSuffix = ".rec";
// A path longer than this is not a path this machine can open.
constexpr std::size_t kMaxPathBytes = 4096;
constexpr std::size_t kMaxFileBytes = kMaxProgramFileBytes + kMaxPathBytes + 256;

// FNV-1a, 64 bits: a stable name for a path, the same in every run.
std::uint64_t HashOf(std::string_view bytes) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ull;
  }
  return hash;
}

std::string Hex(std::uint64_t value, int digits) {
  std::array<char, 17> buffer{};
  std::snprintf(buffer.data(), buffer.size(), "%0*llx", digits,
                static_cast<unsigned long long>(value));
  return buffer.data();
}

// The absolute, normal form of a program path, so that "samples/a.bhb" and
// "./samples/a.bhb" are one program.
std::string Normal(const std::string& path) {
  std::error_code ignored;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
  return (absolute.empty() ? std::filesystem::path(path) : absolute).lexically_normal().string();
}

// The readable part of a recovery file's name: the program's base name with
// anything but ASCII letters, digits, '.', '-' and '_' made '_', kept short.
std::string ReadableStem(const std::string& path) {
  std::string stem = std::filesystem::path(path).stem().string().substr(0, 40);
  for (char& c : stem) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == '-' || c == '_';
    c = plain ? c : '_';
  }
  return stem.empty() ? std::string("program") : stem;
}

// Reads "<word> <decimal>\n" at *at; false when it is not there.
bool ReadField(std::string_view text, std::size_t* at, std::string_view word,
               std::uint64_t* value) {
  if (text.size() - *at < word.size() + 1 || text.substr(*at, word.size()) != word ||
      text[*at + word.size()] != ' ') {
    return false;
  }
  const char* begin = text.data() + *at + word.size() + 1;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(begin, end, *value);
  if (error != std::errc() || stop == begin || stop == end || *stop != '\n') {
    return false;
  }
  *at = static_cast<std::size_t>(stop - text.data()) + 1;
  return true;
}

// Reads "<word> <length>\n<length bytes>\n" at *at.
bool ReadBlock(std::string_view text, std::size_t* at, std::string_view word, std::size_t limit,
               std::string* out) {
  std::uint64_t length = 0;
  if (!ReadField(text, at, word, &length) || length > limit || length >= text.size() - *at ||
      text[*at + length] != '\n') {
    return false;
  }
  out->assign(text.substr(*at, length));
  *at += length + 1;
  return true;
}

}  // namespace

std::string FormatRecoveryFile(const std::string& programPath, int declined, std::string_view bhb) {
  std::string text(kMagic);
  text += "program " + std::to_string(programPath.size()) + "\n" + programPath + "\n";
  text += "declined " + std::to_string(declined) + "\n";
  text += "bhb " + std::to_string(bhb.size()) + "\n";
  text += bhb;
  text += "\n";
  return text;
}

bool ParseRecoveryFile(std::string_view text, RecoveryOffer* offer) {
  if (text.substr(0, kMagic.size()) != kMagic) {
    return false;
  }
  std::size_t at = kMagic.size();
  std::uint64_t declined = 0;
  RecoveryOffer read;
  if (!ReadBlock(text, &at, "program", kMaxPathBytes, &read.programPath) ||
      !ReadField(text, &at, "declined", &declined) || declined > 2 ||
      !ReadBlock(text, &at, "bhb", kMaxProgramFileBytes, &read.bytes) || at != text.size()) {
    return false;
  }
  read.declined = static_cast<int>(declined);
  read.file = std::move(offer->file);
  *offer = std::move(read);
  return true;
}

CRecoveryStore::CRecoveryStore(std::string dataDirectory)
    : m_dataDirectory(std::move(dataDirectory)) {
  std::random_device random;
  const std::uint64_t tag = (std::uint64_t{random()} << 32) | random();
  m_untitledName = "untitled-" + Hex(tag, 16) + std::string(kSuffix);
}

std::string CRecoveryStore::Folder() const {
  return m_dataDirectory + "/" + kRecoveryFolder;
}

std::string CRecoveryStore::FileFor(const std::string& programPath) const {
  if (programPath.empty()) {
    return Folder() + "/" + m_untitledName;
  }
  const std::string normal = Normal(programPath);
  return Folder() + "/" + ReadableStem(normal) + "-" + Hex(HashOf(normal), 16) +
         std::string(kSuffix);
}

bool CRecoveryStore::Write(const std::string& programPath, const CBlockProgram& program) {
  return WriteBytes(programPath, FormatBlockProgram(program));
}

bool CRecoveryStore::WriteBytes(const std::string& programPath, std::string_view bhb) {
  const std::string path = programPath.empty() ? std::string() : Normal(programPath);
  return platform::MakeDirectory(Folder()) &&
         platform::ReplaceFile(FileFor(programPath), FormatRecoveryFile(path, 0, bhb));
}

bool CRecoveryStore::Remove(const std::string& programPath) {
  return platform::RemoveFile(FileFor(programPath));
}

std::vector<RecoveryOffer> CRecoveryStore::FindOffers() {
  std::vector<RecoveryOffer> offers;
  for (const std::string& name : platform::ListRegularFiles(Folder())) {
    // Hidden names are the file layer's temporary files, possibly of a save
    // still running.
    if (name.empty() || name[0] == '.' || name.size() <= kSuffix.size() ||
        name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0) {
      continue;
    }
    RecoveryOffer offer;
    offer.file = Folder() + "/" + name;
    std::string text;
    if (platform::ReadWholeFile(offer.file, &text, kMaxFileBytes) != platform::ReadResult::kRead ||
        !ParseRecoveryFile(text, &offer)) {
      continue;
    }
    std::int64_t kept = 0;
    std::int64_t program = 0;
    if (!offer.programPath.empty() && platform::ModificationTime(offer.file, &kept) &&
        platform::ModificationTime(offer.programPath, &program) && program >= kept) {
      platform::RemoveFile(offer.file);  // saved since: nothing left to recover
      continue;
    }
    offers.push_back(std::move(offer));
  }
  return offers;
}

void CRecoveryStore::Restore(const RecoveryOffer& offer) {
  if (offer.programPath.empty()) {
    m_untitledName = std::filesystem::path(offer.file).filename().string();
  }
}

bool CRecoveryStore::Decline(const RecoveryOffer& offer) {
  if (offer.declined >= 1) {
    return platform::RemoveFile(offer.file);
  }
  // Rewritten whole, so the count and the bytes never disagree.
  platform::ReplaceFile(offer.file,
                        FormatRecoveryFile(offer.programPath, offer.declined + 1, offer.bytes));
  return false;
}

}  // namespace recovery
