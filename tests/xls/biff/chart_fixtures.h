// Fixtures of the chart tests: chart sub-streams given as record runs, read into record trees.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "tests/xls/biff/frame_fixtures.h"
#include "xls/biff/chartrecords.h"

namespace xls::biff::test {

inline std::string R(uint16_t id, std::string_view body = {}) { return kws::test::BiffRecord(id, body); }
inline const std::string Eof = R(0x000A);
inline const std::string Begin = R(0x1033);
inline const std::string End = R(0x1034);

inline std::string FbiBody(uint16_t ifnt) {
  using kws::test::Le16;
  return Le16(100) + Le16(200) + Le16(300) + Le16(0) + Le16(ifnt);
}

// A stream over a record run (kept in a compound file, as the reader meets it).
struct RunStream {
  std::vector<uint8_t> bytes;
  TXLSStream stream;
  explicit RunStream(const std::string& run) : bytes(Compound(run)) {
    stream.SetSourceStream(bytes);
    stream.OpenStorageRead({});
  }
};

// The tree as text: id, and for parents their children in brackets.
inline std::string Shape(const TChartRecord& r) {
  char id[8];
  std::snprintf(id, sizeof id, "%.4X", unsigned(r.RecId()));
  std::string s = id;
  if (r.Count() == 0) return s;
  s += "(";
  for (size_t i = 0; i < r.Count(); ++i) s += (i ? " " : "") + Shape(*r.Items(i));
  return s + ")";
}

// The tree of a record run read with the tree reader (no owner, no fonts).
inline std::unique_ptr<TChartRecordUpdate> TreeOf(const std::string& run, TChartTreeOwner* owner = nullptr,
                                                 TXc12Fonts* fonts = nullptr) {
  RunStream rs(run);
  auto root = NewChartRoot(owner);
  std::vector<uint8_t> buf(8224);
  root->Read(rs.stream, buf, fonts);
  return root;
}

}  // namespace xls::biff::test
