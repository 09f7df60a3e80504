#include "xls/biff/biffvba.h"

#include <algorithm>
#include <cstring>

#include "platform/cfb.h"
#include "platform/textcodec.h"
#include "xls/model/xlserrors.h"

namespace xls::biff {

namespace {

constexpr size_t kChunkBytes = 4096;

uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

[[noreturn]] void Fail(const char* what) { throw XLSRWException(what); }

// Takes `n` bytes of the project's budget.
void Spend(size_t& budget, size_t n) {
  if (n > budget) Fail("VBA project larger than 64 MiB");
  budget -= n;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// Lines at CR, LF or CR LF; a break at the very end opens no further line, and a last line
// without a break is a line all the same.
std::vector<std::u16string> SplitLines(std::u16string_view text) {
  std::vector<std::u16string> lines;
  size_t at = 0;
  while (at < text.size()) {
    const size_t brk = std::min(text.find_first_of(u"\r\n", at), text.size());
    lines.emplace_back(text.substr(at, brk - at));
    at = brk;
    if (at < text.size()) at += (text[at] == u'\r' && at + 1 < text.size() && text[at + 1] == u'\n') ? 2 : 1;
  }
  return lines;
}

// The stream of an element of "VBA", whole; a missing or unreadable stream is a failure.
std::vector<uint8_t> ReadStream(const kws::CfbStorage& storage, std::u16string_view name, const char* missing) {
  std::optional<kws::CfbStream> s = storage.OpenStream(name);
  if (!s) Fail(missing);
  return s->ReadAll();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
std::vector<uint8_t> VBADecompress(std::span<const uint8_t> data, size_t start, size_t& budget) {
  if (start >= data.size() || data[start] != 0x01) Fail("VBA compressed container without signature");
  std::vector<uint8_t> out;
  size_t pos = start + 1;
  while (pos < data.size()) {
    if (data.size() - pos < 2) Fail("VBA compressed chunk header cut short");
    const uint16_t header = Get16(data.data() + pos);
    if (((header >> 12) & 7) != 3) Fail("VBA compressed chunk with a wrong signature");
    const size_t end = std::min(data.size(), pos + (header & 0x0FFF) + 3);
    pos += 2;
    const size_t chunkStart = out.size();
    if (!(header & 0x8000)) {
      // A raw chunk: 4096 bytes as they are.
      if (data.size() - pos < kChunkBytes) Fail("VBA raw chunk cut short");
      Spend(budget, kChunkBytes);
      out.insert(out.end(), data.begin() + pos, data.begin() + pos + kChunkBytes);
      pos += kChunkBytes;
      continue;
    }
    while (pos < end) {
      const uint8_t flags = data[pos++];
      for (int bit = 0; bit < 8 && pos < end; ++bit) {
        const size_t done = out.size() - chunkStart;
        if (!(flags & (1u << bit))) {
          if (done >= kChunkBytes) Fail("VBA compressed chunk gives more than 4096 bytes");
          Spend(budget, 1);
          out.push_back(data[pos++]);
          continue;
        }
        if (end - pos < 2) Fail("VBA copy token cut short");
        const uint16_t token = Get16(data.data() + pos);
        pos += 2;
        unsigned bitCount = 4;
        while ((size_t(1) << bitCount) < done) ++bitCount;
        const size_t length = (token & (0xFFFFu >> bitCount)) + 3;
        const size_t offset = (size_t(token) >> (16 - bitCount)) + 1;
        if (offset > done) Fail("VBA copy token reaches before its chunk");
        if (done + length > kChunkBytes) Fail("VBA compressed chunk gives more than 4096 bytes");
        Spend(budget, length);
        // Byte by byte: a copy may overlap the bytes it makes.
        for (size_t i = 0; i < length; ++i) out.push_back(out[out.size() - offset]);
      }
    }
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
void TRecordStorageVBA::AddRec(const TVBARecHeader& header, std::span<const uint8_t> data) {
  FItems.push_back({header.RecId, header.Length, std::vector<uint8_t>(data.begin(), data.end())});
}

void TXLSWideStringList::Changed() {
  if (!FIsUpdating && OnChange) OnChange(*this);
}

void TXLSWideStringList::Add(std::u16string_view s) {
  FStrings.emplace_back(s);
  Changed();
}

void TXLSWideStringList::Clear() {
  FStrings.clear();
  Changed();
}

void TXLSValueWideStringList::AddSkipFirstWord(std::u16string_view s) {
  const size_t space = s.find(u' ');
  if (space == std::u16string_view::npos || space < 1) {
    Add(s);
    return;
  }
  std::u16string_view rest = s.substr(space + 1);
  while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
  while (!rest.empty() && IsBlank(rest.back())) rest.remove_suffix(1);
  Add(rest);
}

void TVBAModuleSource::SetSourceText(std::u16string_view text) {
  const std::vector<std::u16string> lines = SplitLines(text);
  size_t first = 0;
  while (first < lines.size() && lines[first].size() >= 9 &&
         kws::AsciiSameText(std::u16string_view(lines[first]).substr(0, 9), u"attribute")) {
    FAttributes.AddSkipFirstWord(lines[first]);
    ++first;
  }
  FSource.Clear();
  for (size_t i = first; i < lines.size(); ++i) FSource.Add(lines[i]);
}

// ---------------------------------------------------------------------------------------------
TXLSVBA::TXLSVBA() = default;
TXLSVBA::~TXLSVBA() = default;

void TXLSVBA::Clear() {
  FModules.clear();
  FDir.Clear();
  FVBAProject.Clear();
  FProject.clear();
  FProjectwm.clear();
  FSavedStorage.reset();
  FIsEditing = false;
  FEditStateLocked = false;
  FCodePage = 1252;
}

void TXLSVBA::SetEditVBA(bool v) {
  if (FEditStateLocked) throw XLSRWException("VBA Edit state can not be changed after the file is opened.");
  FEditVBA = v;
}

void TXLSVBA::SetDisableVBA(bool v) {
  FDisableVBA = v;
  if (v) FEditVBA = false;
}

std::u16string TXLSVBA::Decode(std::span<const uint8_t> bytes) const {
  const std::string_view raw(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (const char* charset = kws::CharsetOfCodePage(FCodePage))
    if (auto text = kws::DecodeCharset(raw, charset)) return *std::move(text);
  return kws::DecodeCharset(raw, "CP1252").value_or(kws::Latin1ToUtf16(raw));
}

TVBAReadResult TXLSVBA::Read(const kws::CfbStorage& storage) {
  std::optional<kws::CfbStorage> project;
  try {
    project = storage.OpenStorage(u"_VBA_PROJECT_CUR");
  } catch (const kws::CfbError&) {
    project.reset();
  }
  if (!project) return TVBAReadResult::vbarrFailure;
  FEditStateLocked = true;
  FModules.clear();
  FDir.Clear();
  FCodePage = 1252;
  TVBAReadResult result = TVBAReadResult::vbarrReadOnly;
  std::u16string warning;
  try {
    // The copy first: whatever the project's records say, the storage is kept.
    FSavedStorage = std::make_unique<kws::CfbStorageCopy>(project->CopyToMemory());
  } catch (const kws::CfbError& e) {
    warning = kws::Utf8ToUtf16(e.what());
  }
  try {
    if (!warning.empty()) throw XLSRWException(warning);
    std::optional<kws::CfbStorage> vba = project->OpenStorage(u"VBA");
    if (!vba) Fail("VBA storage missing");
    const std::vector<uint8_t> dirStream = ReadStream(*vba, u"dir", "VBA dir stream missing");
    if (!FDisableVBA) {
      size_t budget = kVBAMaxProjectBytes;
      const std::vector<uint8_t> dir = VBADecompress(dirStream, 0, budget);
      ReadDir(dir, *vba, budget);
    }
  } catch (const XLSRWException& e) {
    warning = e.Message();
  } catch (const kws::CfbError& e) {
    warning = kws::Utf8ToUtf16(e.what());
  }
  if (!warning.empty()) {
    FModules.clear();
    FDir.Clear();
    if (OnWarning) OnWarning(u"Macros not read: " + warning);
    return TVBAReadResult::vbarrFailure;
  }
  if (FEditVBA && FSavedStorage) {
    // The copy becomes what a writer would rebuild the project from; the file stays as it is.
    if (kws::CfbStorageCopy::Element* vbaCopy = FSavedStorage->Find(u"VBA")) {
      const bool compiled = FSavedStorage->Find(u"VBA/_VBA_PROJECT") != nullptr;
      std::erase_if(vbaCopy->children, [](const auto& e) {
        return e->name.size() >= 6 && kws::AsciiSameText(std::u16string_view(e->name).substr(0, 6), u"__SRP_");
      });
      std::vector<uint8_t> head = {0xCC, 0x61, 0xA0, 0x00, 0x00, 0x01, 0x00, 0x00};
      head.resize(8 + 816, 0);
      FSavedStorage->PutStream(u"VBA/_VBA_PROJECT", std::move(head));
      if (compiled) {
        if (const auto* p = FSavedStorage->Find(u"PROJECT")) {
          FProject = SplitLines(Decode(p->data));
        }
        if (const auto* wm = FSavedStorage->Find(u"PROJECTwm")) FProjectwm = wm->data;
        FSavedStorage->Remove(u"VBA");
        FSavedStorage->Remove(u"PROJECT");
        FSavedStorage->Remove(u"PROJECTwm");
        FIsEditing = true;
        result = TVBAReadResult::vbarrOk;
      }
    }
  }
  return result;
}

void TXLSVBA::ReadDir(std::span<const uint8_t> dir, const kws::CfbStorage& vba, size_t& budget) {
  size_t pos = 0;
  // The next record: its header and body, both within the stream.
  auto next = [&](TVBARecHeader& h, std::span<const uint8_t>& body) {
    if (dir.size() - pos < 6) Fail("EOF missing in VBA dir stream");
    h.RecId = Get16(dir.data() + pos);
    h.Length = Get32(dir.data() + pos + 2);
    pos += 6;
    uint64_t length = h.Length;
    if (h.RecId == VBAID_PROJECTVERSION) length += 2;  // says 4 bytes, holds 6
    if (length > dir.size() - pos) Fail("VBA dir record runs past the dir stream");
    h.Length = uint32_t(length);
    body = dir.subspan(pos, size_t(length));
    pos += size_t(length);
  };
  uint32_t moduleCount = 0;
  TVBARecHeader h;
  std::span<const uint8_t> body;
  while (true) {
    const size_t recordStart = pos;
    next(h, body);
    if (h.RecId == VBAID_MODULENAME) {
      pos = recordStart;  // the module's own first record
      break;
    }
    if (h.RecId == VBAID_PROJECTMODULES && body.size() >= 2) moduleCount = Get16(body.data());
    if (h.RecId == VBAID_PROJECTCODEPAGE && body.size() >= 2) FCodePage = Get16(body.data());
    FDir.AddRec(h, body);
    if (h.RecId == VBAID_DIRTERMINATOR) return;
  }
  for (uint32_t m = 0; m < moduleCount; ++m) {
    auto module = std::make_unique<TVBAModuleSource>();
    std::u16string streamName;
    bool unicodeStreamName = false;
    do {
      next(h, body);
      switch (h.RecId) {
        case VBAID_MODULENAME:
          module->FName = Decode(body);
          break;
        case VBAID_MODULENAMEUNICODE:
          module->FName = kws::Utf16BytesToString(
              std::string_view(reinterpret_cast<const char*>(body.data()), body.size()), false);
          break;
        case VBAID_MODULESTREAMNAME:
          if (!unicodeStreamName) streamName = Decode(body);
          break;
        case VBAID_MODULESTREAMNAMEUNICODE:
          streamName = kws::Utf16BytesToString(
              std::string_view(reinterpret_cast<const char*>(body.data()), body.size()), false);
          unicodeStreamName = true;
          break;
        case VBAID_MODULETYPEMACRO:
          module->FModuleType = TVbaModuleType::vmtMacro;
          break;
        case VBAID_MODULETYPEDOCUMENT:
          module->FModuleType = TVbaModuleType::vmtDocument;
          break;
        case VBAID_MODULEOFFSET: {
          if (body.size() < 4) Fail("VBA module offset record too short");
          const std::vector<uint8_t> stream =
              ReadStream(vba, streamName.empty() ? std::u16string_view(module->FName) : streamName,
                         "VBA module stream missing");
          const uint32_t offset = Get32(body.data());
          if (offset >= stream.size()) Fail("VBA module offset past the end of its stream");
          const std::vector<uint8_t> text = VBADecompress(stream, offset, budget);
          module->SetSourceText(Decode(text));
          module->FDir.AddRec(h, body);
          const uint8_t sixteen[4] = {16, 0, 0, 0};
          std::memcpy(module->FDir.Items(module->FDir.Count() - 1).Data.data(), sixteen, 4);
          module->FFileOffset = 16;
          continue;
        }
        default:
          break;
      }
      module->FDir.AddRec(h, body);
    } while (h.RecId != VBAID_MODULETERMINATOR);
    FModules.push_back(std::move(module));
  }
  next(h, body);
  if (h.RecId != VBAID_DIRTERMINATOR) Fail("EOF missing in VBA dir stream");
}

}  // namespace xls::biff
