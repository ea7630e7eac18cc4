#include "pe_image.h"

#include <windows.h>

#include <cctype>
#include <cstddef>
#include <cstring>
#include <utility>

namespace bench {
namespace {

// Every read is checked against the file's end, so a damaged file gives a
// problem instead of a crash.
class Bytes {
 public:
  explicit Bytes(std::vector<unsigned char> data) : data_(std::move(data)) {}
  std::size_t size() const { return data_.size(); }
  bool has(std::uint64_t offset, std::uint64_t length) const {
    return offset <= data_.size() && length <= data_.size() - offset;
  }
  template <typename T>
  bool read(std::uint64_t offset, T* out) const {
    if (!has(offset, sizeof(T))) return false;
    std::memcpy(out, data_.data() + offset, sizeof(T));
    return true;
  }
  // A zero-terminated name of at most 255 bytes.
  bool name(std::uint64_t offset, std::string* out) const {
    out->clear();
    for (std::uint64_t i = offset; i < data_.size() && out->size() < 256; ++i) {
      if (data_[i] == 0) return true;
      out->push_back(static_cast<char>(std::tolower(data_[i])));
    }
    return false;
  }

 private:
  std::vector<unsigned char> data_;
};

struct Section {
  DWORD address, virtualSize, fileOffset, fileSize;
};

bool fileOffsetOf(const std::vector<Section>& sections, DWORD rva, std::uint64_t* offset) {
  for (const Section& s : sections) {
    const DWORD extent = s.virtualSize > s.fileSize ? s.virtualSize : s.fileSize;
    if (rva >= s.address && rva - s.address < extent) {
      if (rva - s.address >= s.fileSize) return false;  // uninitialised data has no bytes in the file
      *offset = static_cast<std::uint64_t>(s.fileOffset) + (rva - s.address);
      return true;
    }
  }
  return false;
}

std::vector<unsigned char> load(const std::wstring& path, std::string* problem) {
  std::vector<unsigned char> data;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *problem = "cannot open";
    return data;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size) || size.QuadPart > (64LL << 20)) {
    *problem = "cannot size, or larger than 64 MB";
  } else {
    data.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD got = 0;
    if (!data.empty() && (!ReadFile(file, data.data(), static_cast<DWORD>(data.size()), &got, nullptr) ||
                          got != data.size())) {
      *problem = "cannot read";
      data.clear();
    }
  }
  CloseHandle(file);
  return data;
}

}  // namespace

ImageFacts readImage(const std::wstring& path) {
  ImageFacts facts;
  std::vector<unsigned char> raw = load(path, &facts.problem);
  if (!facts.problem.empty()) return facts;
  facts.bytes = raw.size();
  const Bytes file(std::move(raw));

  IMAGE_DOS_HEADER dos{};
  DWORD signature = 0;
  IMAGE_FILE_HEADER header{};
  if (!file.read(0, &dos) || dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew < 0 ||
      !file.read(static_cast<std::uint64_t>(dos.e_lfanew), &signature) || signature != IMAGE_NT_SIGNATURE ||
      !file.read(static_cast<std::uint64_t>(dos.e_lfanew) + 4, &header)) {
    facts.problem = "not a PE image";
    return facts;
  }
  const std::uint64_t optional = static_cast<std::uint64_t>(dos.e_lfanew) + 4 + sizeof(IMAGE_FILE_HEADER);
  WORD magic = 0;
  file.read(optional, &magic);
  IMAGE_DATA_DIRECTORY directories[IMAGE_NUMBEROF_DIRECTORY_ENTRIES]{};
  DWORD directoryCount = 0;
  if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
    IMAGE_OPTIONAL_HEADER32 h{};
    if (file.read(optional, &h)) {
      directoryCount = h.NumberOfRvaAndSizes;
      std::memcpy(directories, h.DataDirectory, sizeof directories);
    }
  } else if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
    IMAGE_OPTIONAL_HEADER64 h{};
    if (file.read(optional, &h)) {
      directoryCount = h.NumberOfRvaAndSizes;
      std::memcpy(directories, h.DataDirectory, sizeof directories);
    }
  }
  if (directoryCount == 0) {
    facts.problem = "no optional header";
    return facts;
  }

  std::vector<Section> sections;
  const std::uint64_t table = optional + header.SizeOfOptionalHeader;
  for (WORD i = 0; i < header.NumberOfSections; ++i) {
    IMAGE_SECTION_HEADER s{};
    if (!file.read(table + i * sizeof s, &s)) {
      facts.problem = "section table cut short";
      return facts;
    }
    sections.push_back(Section{s.VirtualAddress, s.Misc.VirtualSize, s.PointerToRawData, s.SizeOfRawData});
  }

  // Ordinary imports, then delay-loaded ones: the loader must find both.
  const struct {
    DWORD entry;
    std::size_t size;
    std::size_t nameField;
  } kinds[] = {
      {IMAGE_DIRECTORY_ENTRY_IMPORT, sizeof(IMAGE_IMPORT_DESCRIPTOR), offsetof(IMAGE_IMPORT_DESCRIPTOR, Name)},
      {IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT, sizeof(IMAGE_DELAYLOAD_DESCRIPTOR),
       offsetof(IMAGE_DELAYLOAD_DESCRIPTOR, DllNameRVA)},
  };
  for (const auto& kind : kinds) {
    if (kind.entry >= directoryCount || directories[kind.entry].VirtualAddress == 0) continue;
    std::uint64_t at = 0;
    if (!fileOffsetOf(sections, directories[kind.entry].VirtualAddress, &at)) {
      facts.problem = "import table outside the sections";
      return facts;
    }
    for (;; at += kind.size) {
      if (!file.has(at, kind.size)) {
        facts.problem = "import table runs past the file";
        return facts;
      }
      DWORD nameRva = 0;
      file.read(at + kind.nameField, &nameRva);
      if (nameRva == 0) break;  // the all-zero entry that ends the table
      std::uint64_t nameAt = 0;
      std::string name;
      if (!fileOffsetOf(sections, nameRva, &nameAt) || !file.name(nameAt, &name)) {
        facts.problem = "unreadable DLL name";
        return facts;
      }
      facts.imports.push_back(name);
    }
  }
  facts.readable = true;
  return facts;
}

}  // namespace bench
