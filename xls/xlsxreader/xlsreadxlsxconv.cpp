#include "xls/xlsxreader/xlsreadxlsxconv.h"

#include <algorithm>
#include <memory>

#include "xls/model/xlsstylesheet.h"

namespace xls {

using namespace xpgxlsx;

TXc12Color ReadColor(const TCT_Color& c) {
  TXc12Color r;
  if (c.Auto() != 0) {
    r.ColorType = TXc12ColorType::exctAuto;
    r.Auto = true;
  } else if (c.Theme() >= 0) {
    r.ColorType = TXc12ColorType::exctTheme;
    // Out-of-range theme numbers keep their value; the model resolves them to the default.
    r.Theme = static_cast<TXc12ClrSchemeColor>(std::min(c.Theme(), 255));
  } else if (c.Indexed() < 0) {
    r.ColorType = TXc12ColorType::exctRgb;
    r.OrigRGB = static_cast<uint32_t>(c.Rgb());
  } else {
    r.ColorType = TXc12ColorType::exctIndexed;
    r.Indexed = static_cast<TXc12IndexColor>(std::min(c.Indexed(), 255));
  }
  r.Tint = c.Tint();
  r.ARGB = Xc12ColorToRGB(r, 0);
  return r;
}

void ApplyAlignment(const TCT_CellAlignment& s, TXc12CellAlignment& d) {
  d.FHorizAlignment = static_cast<TXc12HorizAlignment>(
      DefaultIfUnset(s.Horizontal(), uint8_t(TXc12HorizAlignment::chaGeneral)));
  d.FVertAlignment =
      static_cast<TXc12VertAlignment>(DefaultIfUnset(s.Vertical(), uint8_t(TXc12VertAlignment::cvaBottom)));
  d.FRotation = s.TextRotation();
  d.FOptions = {};
  if (s.WrapText()) d.FOptions.Include(TXc12AlignmentOption::foWrapText);
  if (s.ShrinkToFit()) d.FOptions.Include(TXc12AlignmentOption::foShrinkToFit);
  if (s.JustifyLastLine()) d.FOptions.Include(TXc12AlignmentOption::foJustifyLastLine);
  d.FIndent = s.Indent();
  d.FRelativeIndent = s.RelativeIndent();
  d.FReadingOrder = static_cast<TXc12ReadOrder>(std::clamp(s.ReadingOrder(), 0, 2));
}

void ApplyBorderPr(const TCT_BorderPr& s, TXc12BorderPr& d) {
  d.FColor = ReadColor(*s.Color());
  d.FStyle = static_cast<TXc12CellBorderStyle>(DefaultIfUnset(s.Style(), 0));
}

void ApplyBorder(const TCT_Border& s, TXc12Border& d) {
  TXc12CellBorderOptions o;
  if (s.DiagonalUp()) o.Include(TXc12CellBorderOption::ecboDiagonalUp);
  if (s.DiagonalDown()) o.Include(TXc12CellBorderOption::ecboDiagonalDown);
  if (s.Outline()) o.Include(TXc12CellBorderOption::ecboOutline);
  d.SetOptions(o);
  ApplyBorderPr(*s.Left(), d.FLeft);
  ApplyBorderPr(*s.Right(), d.FRight);
  ApplyBorderPr(*s.Top(), d.FTop);
  ApplyBorderPr(*s.Bottom(), d.FBottom);
  ApplyBorderPr(*s.Diagonal(), d.FDiagonal);
  ApplyBorderPr(*s.Vertical(), d.FVertical);
  ApplyBorderPr(*s.Horizontal(), d.FHorizontal);
  d.CalcHash();
}

void ApplyFill(const TCT_Fill& s, TXc12Fill& d) {
  if (s.PatternFill()->Available()) {
    const TCT_PatternFill& p = *s.PatternFill();
    d.SetPatternType(static_cast<TXc12FillPattern>(DefaultIfUnset(p.PatternType(), 0)));
    d.SetFgColor(ReadColor(*p.FgColor()));
    d.SetBgColor(ReadColor(*p.BgColor()));
  } else if (s.GradientFill()->Available()) {
    const TCT_GradientFill& g = *s.GradientFill();
    d.SetIsGradientFill(true);
    TXc12GradientFill& m = *d.GradientFill();
    for (const auto& stop : *g.StopXpgList())
      m.FStops.push_back({ReadColor(*stop->Color()), stop->Position()});
    m.FGradientType = static_cast<TXc12GradientFillType>(DefaultIfUnset(g.Type(), 0) & 1);
    m.FDegree = g.Degree();
    m.SetLeft(g.Left());
    m.SetRight(g.Right());
    m.SetTop(g.Top());
    m.SetBottom(g.Bottom());
  }
}

namespace {

// The parts a font of the styles part and a run's properties have in common.
template <class E>
void ApplyFontParts(const E& s, const TCT_FontName& name, TXc12Font& d) {
  d.SetCharset(s.Charset()->Val());
  if (s.Color()->Available()) {
    d.SetColor(ReadColor(*s.Color()));
  } else {
    TXc12Color c;
    MakeXc12AutoColor(c, 0);
    d.SetColor(c);
  }
  if (s.Family()->Available()) d.SetFamily(s.Family()->Val());
  d.SetName(name.Val());
  if (s.Scheme()->Available())
    d.SetScheme(static_cast<TXc12FontScheme>(DefaultIfUnset(s.Scheme()->Val(), 0) % 3));
  if (s.U()->Available()) {
    const TST_UnderlineValues u = s.U()->Val();
    d.SetUnderline(u == stuvNone || u > stuvDoubleAccounting ? TXc12Underline::xulNone
                                                             : static_cast<TXc12Underline>(u + 1));
  } else {
    d.SetUnderline(TXc12Underline::xulNone);
  }
  if (s.VertAlign()->Available()) {
    const uint8_t v = DefaultIfUnset(s.VertAlign()->Val(), 0);
    d.SetSubSuperscript(v <= 2 ? static_cast<TXc12SubSuperscript>(v) : TXc12SubSuperscript::xssNone);
  }
  d.SetSize(s.Sz()->Val());
  TXc12FontStyles st;
  auto flag = [&](const TCT_BooleanProperty* p, TXc12FontStyle f) {
    if (p->Available() && p->Val() != 0) st.Include(f);
  };
  flag(s.B(), TXc12FontStyle::xfsBold);
  flag(s.I(), TXc12FontStyle::xfsItalic);
  flag(s.Strike(), TXc12FontStyle::xfsStrikeOut);
  flag(s.Outline(), TXc12FontStyle::xfsOutline);
  flag(s.Shadow(), TXc12FontStyle::xfsShadow);
  flag(s.Condense(), TXc12FontStyle::xfsCondense);
  flag(s.Extend(), TXc12FontStyle::xfsExtend);
  d.SetStyle(st);
}

}  // namespace

void ApplyFont(const TCT_Font& s, TXc12Font& d) { ApplyFontParts(s, *s.Name(), d); }

TXc12Font* ReadRunFont(TXc12DataStyleSheet& styles, const TCT_RPrElt& rpr) {
  TXc12Font tmp;
  ApplyFontParts(rpr, *rpr.RFont(), tmp);
  return styles.XFEditor().UseRequiredFont(tmp);
}

void ReadRichText(TXc12DataStyleSheet& styles, const TCT_Rst& item, std::u16string& text,
                  std::vector<TXc12FontRun>& runs, std::vector<TXLSPhoneticRun>* phonetic) {
  text.clear();
  runs.clear();
  const TCT_REltXpgList& rl = *item.RXpgList();
  if (rl.Count() == 0) {
    text = item.T();
    runs.push_back({1, styles.Fonts().Count() > 0 ? styles.Fonts().DefaultFont() : nullptr});
  } else {
    // A plain text before the runs leads the text, and so does a first run without properties;
    // neither carries a run of its own.
    text = item.T();
    size_t first = 0;
    if (!rl[0]->RPr()->Available()) {
      text += rl[0]->T();
      first = 1;
    }
    for (int i = static_cast<int>(first); i < rl.Count(); ++i) {
      const TCT_RElt& r = *rl[i];
      TXc12Font* f = r.RPr()->Available() ? ReadRunFont(styles, *r.RPr()) : nullptr;
      runs.push_back({static_cast<int32_t>(text.size()), f});
      text += r.T();
    }
  }
  if (phonetic) {
    phonetic->clear();
    for (const auto& p : *item.RPhXpgList()) phonetic->push_back({p->Sb(), p->Eb(), p->T()});
  }
}

TXc12CellProtections ReadProtection(const TCT_CellProtection& s) {
  TXc12CellProtections p;
  if (s.Locked()) p.Include(TXc12CellProtection::cpLocked);
  if (s.Hidden()) p.Include(TXc12CellProtection::cpHidden);
  return p;
}

TXc12ApplyFormats ReadXfApply(const TCT_Xf& x) {
  TXc12ApplyFormats a;
  if (x.ApplyNumberFormat()) a.Include(TXc12ApplyFormat::eafNumberFormat);
  if (x.ApplyFont()) a.Include(TXc12ApplyFormat::eafFont);
  if (x.ApplyFill()) a.Include(TXc12ApplyFormat::eafFill);
  if (x.ApplyBorder()) a.Include(TXc12ApplyFormat::eafBorder);
  if (x.ApplyAlignment()) a.Include(TXc12ApplyFormat::eafAlignment);
  if (x.ApplyProtection()) a.Include(TXc12ApplyFormat::eafProtection);
  return a;
}

}  // namespace xls
