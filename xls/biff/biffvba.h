// `TXLSVBA`: the macro project of a legacy workbook, the storage "_VBA_PROJECT_CUR" of its
// compound file (MS-OVBA). Read only when the reader object's `ReadMacros` is on (the
// component's `ReadVBA`); nothing of it reaches the workbook model.
//
// Format facts (MS-OVBA 2.3, 2.4.1):
// - "_VBA_PROJECT_CUR" holds the stream "PROJECT" (text lines), "PROJECTwm" and the storage "VBA"
//   with "dir", "_VBA_PROJECT" and one stream per module. A module stream holds the module's
//   compiled form, then from the offset that MODULEOFFSET gives, its source as a compressed
//   container.
// - "dir" is a compressed container; decompressed, it is records of a 16-bit id, a 32-bit size
//   and the body: project information and references, PROJECTMODULES (0x000F, the module
//   count), PROJECTCOOKIE, then per module MODULENAME (0x0019) ... the module terminator
//   (0x002B), and the dir terminator (0x0010). PROJECTVERSION (0x0009) says 4 bytes and holds 6.
//   PROJECTCODEPAGE (0x0003) names the code page of every 8-bit text of the project.
// - A compressed container is the signature byte 1, then chunks: a 16-bit header (size - 3 in
//   the low 12 bits, signature 3 in bits 12-14, bit 15 set for a compressed chunk) and either
//   4096 raw bytes or groups of a flag byte and eight tokens, a literal byte for a clear flag
//   bit, else a 16-bit copy token whose split between offset and length depends on how far the
//   chunk's output has come. A chunk gives at most 4096 bytes.
//
// Design: `Read` never ends a load. Whatever goes wrong (a missing "VBA" or "dir", a record or
// count that runs past the dir stream, a module stream that is missing or shorter than its
// offset, a compressed container that is cut short, a copy token that reaches before its chunk,
// a chunk that gives more than 4096 bytes, a project that decompresses to more than 64 MiB)
// gives vbarrFailure and one warning, leaves no modules and no dir records, and keeps the copy
// of the storage. Texts are decoded in the project's code page (iconv; 1252 when it is unknown).
// A module's last line is kept even without a line feed behind it.
//
// The copy of "_VBA_PROJECT_CUR" is a `kws::CfbStorageCopy` whose root holds "VBA", "PROJECT"
// and "PROJECTwm": saved, it is a package's VBA part. Edit mode changes that copy, never the
// file.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kws {
class CfbStorage;
class CfbStorageCopy;
}  // namespace kws

namespace xls::biff {

enum class TVBAReadResult { vbarrFailure, vbarrReadOnly, vbarrOk };
enum class TVbaModuleType { vmtMacro, vmtDocument };

// The most bytes a whole project (dir stream and module sources) may decompress to.
inline constexpr size_t kVBAMaxProjectBytes = size_t(64) << 20;

// Decompresses the compressed container that starts at `start` and runs to the end of `data`.
// `budget` is what the project may still produce; it is lowered by the bytes given. Raises
// XLSRWException on any fault of the container.
std::vector<uint8_t> VBADecompress(std::span<const uint8_t> data, size_t start, size_t& budget);

// Record ids of the dir stream that the walk looks at.
enum : uint16_t {
  VBAID_PROJECTCODEPAGE = 0x0003,
  VBAID_PROJECTVERSION = 0x0009,
  VBAID_PROJECTMODULES = 0x000F,
  VBAID_DIRTERMINATOR = 0x0010,
  VBAID_MODULENAME = 0x0019,
  VBAID_MODULESTREAMNAME = 0x001A,
  VBAID_MODULETYPEMACRO = 0x0021,
  VBAID_MODULETYPEDOCUMENT = 0x0022,
  VBAID_MODULETERMINATOR = 0x002B,
  VBAID_MODULEOFFSET = 0x0031,
  VBAID_MODULESTREAMNAMEUNICODE = 0x0032,
  VBAID_MODULENAMEUNICODE = 0x0047,
};

struct TVBARecHeader {
  uint16_t RecId = 0;
  uint32_t Length = 0;
};

struct TVBARecordData {
  uint16_t RecId = 0;
  uint32_t Length = 0;
  std::vector<uint8_t> Data;  // Length bytes
};

// Records of the dir stream, copied in order.
class TRecordStorageVBA {
 public:
  void AddRec(const TVBARecHeader& header, std::span<const uint8_t> data);
  void Clear() { FItems.clear(); }
  size_t Count() const { return FItems.size(); }
  TVBARecordData& Items(size_t i) { return FItems[i]; }
  const TVBARecordData& Items(size_t i) const { return FItems[i]; }

 private:
  std::vector<TVBARecordData> FItems;
};

// A list of texts with a change event.
class TXLSWideStringList {
 public:
  void Add(std::u16string_view s);
  void Clear();
  size_t Count() const { return FStrings.size(); }
  // An index outside the list reads as an empty text.
  std::u16string Strings(size_t index) const { return index < FStrings.size() ? FStrings[index] : std::u16string(); }
  const std::vector<std::u16string>& All() const { return FStrings; }
  std::function<void(TXLSWideStringList&)> OnChange;

 private:
  void Changed();
  std::vector<std::u16string> FStrings;
  bool FIsUpdating = false;
};

// Name=value lines.
class TXLSValueWideStringList : public TXLSWideStringList {
 public:
  char16_t SeparatorChar() const { return FSepChar; }
  void SetSeparatorChar(char16_t c) { FSepChar = c; }
  // When the first space of `s` is at its second character or later, adds the text after that
  // space with blanks trimmed at both ends; otherwise adds `s` as it is.
  void AddSkipFirstWord(std::u16string_view s);

 private:
  char16_t FSepChar = u'=';
};

class TVBAModule {
 public:
  virtual ~TVBAModule() = default;
  const std::u16string& Name() const { return FName; }
  TVbaModuleType ModuleType() const { return FModuleType; }
  int32_t FileOffset() const { return FFileOffset; }
  const TXLSValueWideStringList& Attributes() const { return FAttributes; }
  const TRecordStorageVBA& Dir() const { return FDir; }

 protected:
  friend class TXLSVBA;
  std::u16string FName;
  int32_t FFileOffset = 0;
  TVbaModuleType FModuleType = TVbaModuleType::vmtMacro;
  TXLSValueWideStringList FAttributes;
  TRecordStorageVBA FDir;
};

class TVBAModuleSource : public TVBAModule {
 public:
  const TXLSWideStringList& Source() const { return FSource; }
  // Splits `text` into lines at CR, LF or CR LF; the leading lines whose first nine characters
  // are "attribute" in any case go to the attributes (without their first word), the rest is
  // the source.
  void SetSourceText(std::u16string_view text);

 private:
  TXLSWideStringList FSource;
};

// Project settings a writer would need; the reader only empties them.
struct TXLSVBAProject {
  uint32_t Version = 0;
  uint32_t LanguageId = 0;
  std::vector<std::u16string> Links;
  std::vector<uint8_t> ModuleData;
  void Clear() { *this = TXLSVBAProject(); }
};

class TXLSVBA {
 public:
  TXLSVBA();
  ~TXLSVBA();
  TXLSVBA(const TXLSVBA&) = delete;
  TXLSVBA& operator=(const TXLSVBA&) = delete;

  void Clear();
  // Reads the project of the compound file whose root storage is `storage`. Never raises for
  // the file's content: a failure gives vbarrFailure and one warning through OnWarning. A file
  // without "_VBA_PROJECT_CUR" gives vbarrFailure and no warning.
  TVBAReadResult Read(const kws::CfbStorage& storage);

  bool EditVBA() const { return FEditVBA; }
  // Raises "VBA Edit state can not be changed after the file is opened." once a read was made.
  void SetEditVBA(bool v);
  bool DisableVBA() const { return FDisableVBA; }
  // Also clears EditVBA.
  void SetDisableVBA(bool v);
  bool HighCompression() const { return FHighCompression; }
  void SetHighCompression(bool v) { FHighCompression = v; }
  bool IsEditing() const { return FIsEditing; }

  size_t ModuleCount() const { return FModules.size(); }
  const TVBAModuleSource& Modules(size_t i) const { return *FModules[i]; }
  const TRecordStorageVBA& Dir() const { return FDir; }
  const TXLSVBAProject& VBAProject() const { return FVBAProject; }
  const std::vector<std::u16string>& Project() const { return FProject; }
  const std::vector<uint8_t>& Projectwm() const { return FProjectwm; }
  // The copy of "_VBA_PROJECT_CUR" (its root holds "VBA", "PROJECT", "PROJECTwm"); nullptr
  // before a read found the storage, and after Clear.
  const kws::CfbStorageCopy* Saved() const { return FSavedStorage.get(); }

  // Receives the warning of a failed read.
  std::function<void(std::u16string_view text)> OnWarning;

 private:
  void ReadDir(std::span<const uint8_t> dir, const kws::CfbStorage& vba, size_t& budget);
  std::u16string Decode(std::span<const uint8_t> bytes) const;

  std::vector<std::unique_ptr<TVBAModuleSource>> FModules;
  TXLSVBAProject FVBAProject;
  std::vector<std::u16string> FProject;
  std::vector<uint8_t> FProjectwm;
  bool FEditVBA = false;
  bool FDisableVBA = false;
  bool FEditStateLocked = false;
  bool FIsEditing = false;
  TRecordStorageVBA FDir;
  std::unique_ptr<kws::CfbStorageCopy> FSavedStorage;
  bool FHighCompression = true;
  uint16_t FCodePage = 1252;
};

}  // namespace xls::biff
