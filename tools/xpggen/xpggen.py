#!/usr/bin/env python3
"""Generates the element classes of one or more XML units from the tables in tools/xpggen/units.

Each table (TOML) describes one unit: its classes with their attributes (exact names as written,
kinds, defaults), children (single, repeated, text with a value type, text lists; any of them
created on first occurrence with lazy = true), enumerations (values in ordinal order), the
document element(s) above which the root pseudo element stands, and the unit's policy (when
attributes are assigned, what unknown enumeration values and Booleans give, whether children exist
from the start or appear on first occurrence, the values of attributes that were not given,
whether the unit writes, whether the document offers a load). The document elements of a unit
whose children exist from the start are still made only when their element is read or their
accessor is first called (one part holds one of them; a document need not build the others). Per class: clear (a Clear(), with
clear_children also clearing the child objects; clear_inline gives its body in the header, for a
clear on a hot path that touches no child object), content and content_type, absorb_children (the
whole content taken without a report), report_unknown_attributes, hooks (generated bodies renamed
for hand-written code to call). The output is C++ over the runtime in xls/package/xpgruntime.h.

For the drawing units: enum_tables (enumeration tables in other files, see dmlenums.py), includes
(headers of hand-written or other units' classes the unit uses; a class of another unit is named
with its C++ namespace, xpgdml::TCT_ShapeProperties), field_prefix (field prefix of children per
namespace, { DrawingML = "A_" }, in every drawing unit), ctor_hook (a statement every constructor runs, the
element budget), policy leaf_children = "absorb" (a class without children takes its content
without a report). Child kinds: "group" (an element group member, created with the class, asked
after the class's own children, in member order), "mixed" (one owning list of the objects of
several child elements in document order, TXPGBaseObjectList). A child's also_ns lists further
namespaces in which the same element name gives the same member (xdr:spPr and cdr:spPr). Attribute kinds adjcoord and
adjangle (a number or a guide name).
using: namespaces whose names a unit's code sees unqualified (the unit's own classes hide
theirs). doc_ctor: statements the document's constructor runs. Per class: ctor_extra
(statements the constructor runs after making its children). Per child: list_class (the name of a
list's class, an alias of TXpgList, in place of <class>XpgList) and exact_field (a list's field
keeps its name without XpgList).
Child kind "grouplist": an owning list of
group objects, created with the class: each child the group takes gets a new item of its own, so
the items keep document order; a name the group does not take adds no item. CheckAssigned
departures: attribute required = true (always counted), attribute assigned_unless (the value that
counts as not assigned, when it is not the initial value), class attr_count = N (the attributes
count N, whatever they hold), child count = "present" (a present child counts 1 whatever it holds).
For the pivot unit: attribute kind "date" (ISO 8601 text as days, XmlStrToDateTime); per class
keep_unknown_attributes (the attributes the class does not know, namespace declarations
included, kept as name="value" texts in RootAttributes() instead of being reported). Per class: choice (Clear frees every single child; the fields
in create get Create_ operations that clear first), optional_create and optional_free (Create_ and
Free_ of one optional child that touch nothing else).

Usage:
  xpggen.py [--root REPO] [--out DIR] [UNIT.toml ...]   write the files (under DIR, default REPO)
  xpggen.py --check [--root REPO]                         regenerate into a temporary folder and
                                                          fail on any difference with REPO
"""
import argparse
import difflib
import os
import sys
import tempfile
import tomllib

HERE = os.path.dirname(os.path.abspath(__file__))
PREFIX_NS = {"r": "OfficeRelationships", "xml": "Xml", "mc": "MarkupCompatibility"}
POLICY_DEFAULTS = {
    "assign_attributes": "present",   # "present": only for tags with attributes; "always"
    "enum_unknown": "not_given",      # "not_given" | "zero" | "raise"
    "bool_fallback": "false",         # "false" | "default" (the attribute's own default)
    "children": "eager",              # "eager": created with the parent; "lazy": on first occurrence
    "enum_bits": 8,                   # 8 or 16
    "write": False,
    "leaf_children": "report",       # "report" | "absorb": content of a class without children
    "doc_load": True,                 # the document offers LoadFromStream/LoadFromBytes
    "not_given": {"int": 0, "argb": 0, "hex": 0, "bool": 0, "double": "0.0", "enum": 255},
}


def cap(s):
    return s[:1].upper() + s[1:]


def byte_sum(s):
    return sum(s.encode("utf-8"))


def cpp_u16(s):
    out = []
    for ch in s:
        if ch in '"\\':
            out.append("\\" + ch)
        elif 32 <= ord(ch) < 127:
            out.append(ch)
        else:
            out.append("\\u%04x" % ord(ch))
    return 'u"' + "".join(out) + '"'


def cpp_str(s):
    return '"' + s.replace("\\", "\\\\").replace('"', '\\"') + '"'


# Value types of text children ("text": one value, "textlist": a value per occurrence): C++ type,
# the value a missing or cleared child holds, and the conversion of the element's text.
TEXT_TYPES = {
    "string": ("std::u16string", None, "r.Text()"),
    "int": ("int64_t", "0", "XpgTextToInt64(r.TextBytes())"),
    "double": ("double", "0.0", "XpgToDouble(r.TextBytes())"),
    "bool": ("uint8_t", "0", "XpgToBool(r.TextBytes(), 0)"),
    "date": ("TXpgDateTime", "0.0", "XmlStrToDateTime(r.Text())"),
}


def local_name(cls):
    """A class name without its C++ namespace (the list alias of a class of another unit)."""
    return cls.split("::")[-1]


def ident(s):
    return "".join(c if c.isalnum() or c == "_" else "_" for c in s)


class Unit:
    def __init__(self, path):
        with open(path, "rb") as f:
            t = tomllib.load(f)
        self.path = path
        u = t["unit"]
        self.name = u["name"]
        self.cppns = "xls::" + u["cpp_namespace"]
        self.header = u["header"]
        self.source = u["source"]
        self.ns = u["namespace"]
        self.doc = u.get("doc_class")
        self.hooks_header = u.get("hooks_header")
        # Lines added to the public part of the document class (events of the whole document).
        self.doc_extra = u.get("doc_extra", [])
        self.doc_ctor = u.get("doc_ctor", [])
        self.using = u.get("using", [])
        self.comment = u.get("comment", "").strip()
        self.policy = dict(POLICY_DEFAULTS)
        self.policy["not_given"] = dict(POLICY_DEFAULTS["not_given"])
        p = t.get("policy", {})
        for k, v in p.items():
            if k == "not_given":
                self.policy["not_given"].update(v)
            else:
                self.policy[k] = v
        self.enums = []
        for rel in u.get("enum_tables", []):
            with open(os.path.join(os.path.dirname(path), rel), "rb") as f:
                self.enums += tomllib.load(f).get("enum", [])
        self.enums += t.get("enum", [])
        # shared_enums: the unit lives in a namespace nested in the one of the unit that emits
        # these enumerations (their tables are read for the look-up only).
        # emit_enums = false says the same for a unit that sees them through `using`.
        self.shared_enums = u.get("shared_enums", False) or not u.get("emit_enums", True)
        self.includes = u.get("includes", [])
        self.field_prefix = u.get("field_prefix", {})
        self.ctor_hook = u.get("ctor_hook")
        self.doc_base = u.get("doc_base", "TXPGDocBase")
        self.enum_by_name = {e["name"]: e for e in self.enums}
        self.classes = t.get("class", [])
        self.class_by_name = {c["name"]: c for c in self.classes}
        self.root = t.get("root")
        for c in self.classes:
            self.prepare(c)
        if self.root:
            self.prepare_root()

    # ---- model -----------------------------------------------------------------------------
    def enum_type(self, e):
        return e["name"]

    def enum_ident(self, e, v):
        value = e.get("idents", {}).get(v) or (v if e.get("keep_case") else cap(v))
        return ident(e["prefix"] + value)

    def prepare(self, c):
        attrs = []
        for a in c.get("attributes", []):
            a = dict(a)
            qn = a["name"]
            prefix, _, local = qn.rpartition(":")
            a["local"] = local
            a["ns"] = PREFIX_NS[prefix] if prefix else "None"
            a.setdefault("field", (cap(prefix) + "_" if prefix else "") + cap(local))
            attrs.append(a)
        c["attrs"] = attrs
        names = {a["field"] for a in attrs}
        kids = []
        for ch in c.get("children", []):
            ch = dict(ch)
            ch.setdefault("kind", "single")
            ch.setdefault("ns", self.ns)
            if ch["kind"] in ("group", "mixed", "grouplist"):
                base = ch["field"]
            else:
                base = ch.get("field", self.field_prefix.get(ch["ns"], "") + cap(ch["element"]))
            if ch["kind"] in ("list", "textlist") and not ch.get("exact_field"):
                base += "XpgList"
            if ch["kind"] in ("list", "grouplist"):
                ch.setdefault("list_class", local_name(ch["class"]) + "XpgList")
            ch.setdefault("type", "string")
            ch.setdefault("lazy", False)
            if base in names:
                base += "_Dup"
            names.add(base)
            ch["field"] = base
            kids.append(ch)
        c["kids"] = kids
        c.setdefault("hooks", [])
        c.setdefault("content", False)
        c.setdefault("clear", False)
        c.setdefault("clear_inline", False)
        # absorb_children: every child element (with its subtree) is taken without a report.
        c.setdefault("absorb_children", False)
        # report_unknown_attributes = false: attributes the class does not know pass silently.
        c.setdefault("report_unknown_attributes", True)
        # content_type = "int": the element's text is kept as an integer.
        c.setdefault("content_type", "string")
        # clear_children: Clear() also clears the single children (lazy ones are dropped).
        c.setdefault("clear_children", False)
        c.setdefault("choice", False)
        # custom: virtual operations declared here and written by hand (no generated body).
        c.setdefault("custom", [])
        c.setdefault("create", [])
        c.setdefault("ctor_extra", [])
        c.setdefault("optional_create", [])
        c.setdefault("optional_free", [])
        if c["choice"]:
            c["clear"] = True
        if (self.policy["leaf_children"] == "absorb" and not kids and "HandleElement" not in c["hooks"]
                and "HandleElement" not in c["custom"]):
            c["absorb_children"] = True

    def prepare_root(self):
        r = self.root
        r["name"] = "T__ROOT__"
        r["attrs"] = []
        kids = []
        for d in r["documents"]:
            d = dict(d)
            d.setdefault("ns", self.ns)
            d["kind"] = "single"
            d["type"] = "string"
            # In an eager unit a document element is made on its first use: when read, or by its
            # accessor (which never gives nullptr, as if it had been made with the root).
            d["lazy"] = self.eager()
            d["on_use"] = self.eager()
            d.setdefault("field", cap(d["element"]))
            kids.append(d)
        r["kids"] = kids
        r["hooks"] = []
        r["content"] = False
        r["content_type"] = "string"
        # clear = true: Clear() empties the root attributes and clears every document element.
        r["clear_root"] = r.get("clear", False)
        r["clear"] = False
        r["clear_children"] = False
        r["choice"] = False
        r["custom"] = []
        r["create"] = r["optional_create"] = r["optional_free"] = []
        r["ctor_extra"] = []

    def all_classes(self):
        return self.classes + ([self.root] if self.root else [])

    def uses_textlists(self):
        return any(ch["kind"] == "textlist" for c in self.all_classes() for ch in c["kids"])

    def uses_int_text(self):
        return any((ch["kind"] in ("text", "textlist") and ch["type"] == "int") for c in self.all_classes()
                   for ch in c["kids"]) or any(c["content"] and c["content_type"] == "int" for c in self.classes)

    # ---- attribute types and defaults -----------------------------------------------------
    def ctype(self, a):
        k = a["kind"]
        if k == "string":
            return "std::u16string"
        if k in ("int", "argb", "hex"):
            return "int32_t"
        if k == "double":
            return "double"
        if k == "date":
            return "TXpgDateTime"
        if k == "bool":
            return "uint8_t"
        if k == "enum":
            return a["type"]
        if k == "strlist":
            return "TStringXpgList"
        if k == "adjcoord":
            return "TST_AdjCoordinate"
        if k == "adjangle":
            return "TST_AdjAngle"
        raise SystemExit("%s: unknown kind %s" % (self.path, k))

    def default(self, a):
        k = a["kind"]
        d = a.get("default")
        ng = self.policy["not_given"]
        if k == "string":
            return cpp_u16(d) if d else None
        if k in ("strlist", "adjcoord", "adjangle"):
            return None
        if k == "enum":
            e = self.enum_by_name[a["type"]]
            if d is None or d == "not_given":
                return "%s(%d)" % (a["type"], ng["enum"])
            return self.enum_ident(e, d)
        if k == "bool":
            if d is None:
                return str(ng["bool"])
            if d == "not_given":
                return str(ng["bool"])
            return "1" if d is True else "0" if d is False else str(d)
        if k == "date":
            return str(d if d is not None else "0.0")
        if k == "double":
            if d is None:
                d = ng["double"]
            if d == "nan":
                return "std::numeric_limits<double>::quiet_NaN()"
            return str(d)
        if d is None:
            d = ng[k]
        return str(d)

    # ---- code pieces ------------------------------------------------------------------------
    def convert(self, a):
        f = "F" + a["field"]
        k = a["kind"]
        v = "a.ValueBytes(i)"
        if k == "string":
            return "%s = a.GetValues(i);" % f
        if k == "int":
            return "%s = XpgToInt(%s);" % (f, v)
        if k in ("argb", "hex"):
            return "%s = XpgToArgb(%s);" % (f, v)
        if k == "double":
            return "%s = XpgToDouble(%s);" % (f, v)
        if k == "date":
            return "%s = XmlStrToDateTime(a.GetValues(i));" % f
        if k == "strlist":
            return "%s.SetDelimitedText(a.GetValues(i));" % f
        if k == "adjcoord":
            return "StrToAdjCoordinate(a.GetValues(i), %s);" % f
        if k == "adjangle":
            return "StrToAdjAngle(a.GetValues(i), %s);" % f
        if k == "bool":
            fb = a.get("bool_fallback")
            if fb is None:
                d = a.get("schema_default", a.get("default"))
                if self.policy["bool_fallback"] == "default" and d in (True, False):
                    fb = "1" if d else "0"
                else:
                    fb = "0"
            else:
                fb = "1" if fb is True else "0" if fb is False else str(fb)
            return "%s = XpgToBool(%s, %s);" % (f, v, fb)
        if k == "enum":
            e = self.enum_by_name[a["type"]]
            pol = a.get("enum_unknown", self.policy["enum_unknown"])
            if pol == "raise":
                miss = "XpgEnumNotFound(%s, %s)" % (cpp_str(e["prefix"]), v)
                return ("{ const int e = XpgEnumIndex(%s, k%sNames); if (e < 0) %s; %s = %s(e); }"
                        % (v, a["type"], miss, f, a["type"]))
            other = "%s(%d)" % (a["type"], self.policy["not_given"]["enum"]) if pol == "not_given" else "%s(0)" % a["type"]
            return ("{ const int e = XpgEnumIndex(%s, k%sNames); %s = e >= 0 ? %s(e) : %s; }"
                    % (v, a["type"], f, a["type"], other))
        raise SystemExit(k)

    def to_text(self, a):
        f = "F" + a["field"]
        k = a["kind"]
        if k == "string":
            return f
        if k in ("int",):
            return "XmlIntToStr(%s)" % f
        if k in ("argb", "hex"):
            return "XpgArgbToStr(%s)" % f
        if k == "double":
            return "XmlFloatToStr(%s)" % f
        if k == "bool":
            return "XmlBoolToStr(%s != 0)" % f
        if k == "enum":
            return "XpgWiden(k%sNames[%s])" % (a["type"], f)
        if k == "strlist":
            return "%s.GetDelimitedText()" % f
        raise SystemExit(k)

    # ---- emit header ------------------------------------------------------------------------
    def header_text(self):
        L = []
        w = L.append
        w("// Generated by tools/xpggen/xpggen.py from %s; do not edit." % os.path.relpath(self.path, start=os.path.dirname(os.path.dirname(HERE))))
        if self.comment:
            for line in self.comment.splitlines():
                w("// " + line if line else "//")
        w("#pragma once")
        w("")
        w("#include <cstdint>")
        w("#include <limits>")
        w("#include <memory>")
        w("#include <string>")
        w("#include <string_view>")
        if self.uses_textlists():
            w("#include <vector>")
        w("")
        w('#include "xls/package/xpglists.h"')
        w('#include "xls/package/xpgruntime.h"')
        if self.policy["write"]:
            w('#include "xls/package/xpgwritexml.h"')
        for inc in self.includes:
            w('#include "%s"' % inc)
        w("")
        w("namespace %s {" % self.cppns)
        w("")
        for ns in self.using:
            w("using namespace %s;" % ns)
        if self.using:
            w("")
        if not self.shared_enums:
            self.emit_enum_decls(w)
        allc = self.classes + ([self.root] if self.root else [])
        for c in allc:
            w("class %s;" % c["name"])
        listed = sorted({(ch["class"], ch["list_class"]) for c in allc for ch in c["kids"] if ch["kind"] in ("list", "grouplist")})
        for name, lname in listed:
            w("using %s = TXpgList<%s>;" % (lname, name))
        w("")
        for c in allc:
            self.emit_class_decl(c, w)
        if self.doc:
            self.emit_doc_decl(w)
        w("}  // namespace %s" % self.cppns)
        return "\n".join(L) + "\n"

    def emit_enum_decls(self, w):
        w("// Enumerations, ordinals in schema order.")
        bits = self.policy["enum_bits"]
        for e in self.enums:
            idents = ", ".join(self.enum_ident(e, v) for v in e["values"])
            w("enum %s : uint%d_t { %s };" % (e["name"], bits, idents))
            w("inline constexpr std::string_view k%sNames[] = {%s};" % (e["name"], ", ".join(cpp_str(v) for v in e["values"])))
        w("// Every enumeration identifier of the unit (prefix + value) with its ordinal.")
        w("struct TXpgEnumName { std::string_view Identifier; int Ordinal; };")
        total = sum(len(e["values"]) for e in self.enums)
        w("extern const TXpgEnumName kEnumNames[%d];" % max(total, 1))
        w("inline constexpr int kEnumNameCount = %d;" % total)
        w("// The ordinal of an identifier (letter case ignored); %s when it is not known." %
          ("raises" if self.policy["enum_unknown"] == "raise" else "0"))
        w("int StrToEnum(std::string_view identifier);")
        w("")

    def opname(self, field):
        for p in self.field_prefix.values():
            if field.startswith(p):
                return field[len(p):]
        return field

    def kid(self, c, field):
        for ch in c["kids"]:
            if ch["field"] == field:
                return ch
        raise SystemExit("%s: %s has no child %s" % (self.path, c["name"], field))

    def member_type(self, ch):
        if ch["kind"] == "mixed":
            return "std::unique_ptr<TXPGBaseObjectList>"
        if ch["kind"] in ("list", "grouplist"):
            return "std::unique_ptr<%s>" % ch["list_class"]
        if ch["kind"] == "text":
            return TEXT_TYPES[ch["type"]][0]
        if ch["kind"] == "textlist":
            return "std::vector<%s>" % TEXT_TYPES[ch["type"]][0]
        if ch.get("on_use"):
            return "mutable std::unique_ptr<%s>" % ch["class"]
        return "std::unique_ptr<%s>" % ch["class"]

    def clear_body(self, c):
        """The statements of a class's clear: attributes to their defaults, text children emptied,
        child objects cleared or dropped as the class asks, the content and the read flags."""
        out = []
        for a in c["attrs"]:
            d = self.default(a)
            f = "F" + a["field"]
            if a["kind"] == "strlist" and a.get("default"):
                out.append("%s.SetDelimitedText(%s);" % (f, cpp_u16(a["default"])))
            elif a["kind"] == "strlist":
                out.append("%s.Clear();" % f)
            elif a["kind"] == "string" and d is None:
                out.append("%s.clear();" % f)
            else:
                out.append("%s = %s;" % (f, d))
        for ch in c["kids"]:
            if ch["kind"] in ("list", "grouplist"):
                out.append("if (F%s) F%s->Clear();" % (ch["field"], ch["field"]))
            elif ch["kind"] == "text" and ch["type"] != "string":
                out.append("F%s = %s;" % (ch["field"], TEXT_TYPES[ch["type"]][1]))
            elif ch["kind"] in ("text", "textlist"):
                out.append("F%s.clear();" % ch["field"])
            elif ch["kind"] == "mixed":
                out.append("F%s->Clear();" % ch["field"])
            elif ch["kind"] == "group":
                out.append("F%s->Clear();" % ch["field"])
            elif c["choice"] and ch["kind"] == "single":
                out.append("F%s.reset();" % ch["field"])
            elif c["clear_children"] and (ch["lazy"] or not (self.eager() or ch.get("eager"))):
                out.append("F%s.reset();" % ch["field"])
            elif c["clear_children"]:
                out.append("F%s->Clear();" % ch["field"])
        if c["content"]:
            out.append("%s;" % ("FContent = 0" if c["content_type"] == "int" else "FContent.clear()"))
        out.append("FAssigneds = 0;")
        return out

    def emit_inline_clear(self, c, name, w):
        body = self.clear_body(c)
        if any("->" in line for line in body):
            raise SystemExit("%s: %s: clear_inline with child objects to clear" % (self.path, c["name"]))
        w("  void %s() {" % name)
        for line in body:
            w("    " + line)
        w("  }")

    def emit_class_decl(self, c, w):
        n = c["name"]
        if c.get("doc"):
            w("// " + c["doc"])
        w("class %s : public TXPGBase {" % n)
        w(" public:")
        w("  explicit %s(TXPGDocBase* owner);" % n)
        w("  ~%s() override;" % n)
        w("  int CheckAssigned() override;")
        if c["kids"] or n == "T__ROOT__" or c.get("absorb_children") or "HandleElement" in c["custom"]:
            w("  TXPGBase* HandleElement(TXPGReader& r) override;")
        if c["attrs"] or "AssignAttributes" in c["custom"]:
            w("  void AssignAttributes(const TXpgXMLAttributeList& a) override;")
        if c["clear"] and c["clear_inline"] and "Clear" not in c["hooks"]:
            self.emit_inline_clear(c, "Clear", w)
        elif c["clear"]:
            w("  void Clear();")
        if self.policy["write"] and n != "T__ROOT__":
            w("  void Write(TXpgWriteXML& w, std::u16string_view element);")
        for f in c["create"] + c["optional_create"]:
            w("  %s* Create_%s();" % (self.kid(c, f)["class"], self.opname(f)))
        for f in c["optional_free"]:
            self.kid(c, f)
            w("  void Free_%s() { F%s.reset(); }" % (self.opname(f), f))
        for a in c["attrs"]:
            t = self.ctype(a)
            if a["kind"] in ("adjcoord", "adjangle"):
                w("  const %s& %s() const { return F%s; }" % (t, a["field"], a["field"]))
                w("  %s* P%s() { return &F%s; }" % (t, a["field"], a["field"]))
                continue
            if a["kind"] in ("string", "strlist"):
                w("  const %s& %s() const { return F%s; }" % (t, a["field"], a["field"]))
                if a["kind"] == "strlist":
                    w("  %s& %s() { return F%s; }" % (t, a["field"], a["field"]))
                else:
                    w("  void Set%s(std::u16string_view v) { F%s = v; }" % (a["field"], a["field"]))
            else:
                w("  %s %s() const { return F%s; }" % (t, a["field"], a["field"]))
                if "Set" + a["field"] not in c.get("custom_setters", []):
                    w("  void Set%s(%s v) { F%s = v; }" % (a["field"], t, a["field"]))
        for ch in c["kids"]:
            if ch["kind"] == "text" and ch["type"] == "string":
                w("  const std::u16string& %s() const { return F%s; }" % (ch["field"], ch["field"]))
            elif ch["kind"] == "text":
                w("  %s %s() const { return F%s; }" % (TEXT_TYPES[ch["type"]][0], ch["field"], ch["field"]))
            elif ch["kind"] == "textlist":
                w("  const %s& %s() const { return F%s; }" % (self.member_type(ch), ch["field"], ch["field"]))
            elif ch["kind"] in ("list", "grouplist"):
                w("  %s* %s() const { return F%s.get(); }" % (ch["list_class"], ch["field"], ch["field"]))
            elif ch["kind"] == "mixed":
                w("  TXPGBaseObjectList* %s() const { return F%s.get(); }" % (ch["field"], ch["field"]))
            elif ch.get("on_use"):
                w("  %s* %s() const {" % (ch["class"], ch["field"]))
                w("    if (!F%s) F%s = std::make_unique<%s>(FOwner);" % (ch["field"], ch["field"], ch["class"]))
                w("    return F%s.get();" % ch["field"])
                w("  }")
            else:
                w("  %s* %s() const { return F%s.get(); }" % (ch["class"], ch["field"], ch["field"]))
        if c["content"] and c["content_type"] == "int":
            w("  int64_t Content() const { return FContent; }")
            w("  void SetContent(int64_t v) { FContent = v; }")
        elif c["content"]:
            w("  const std::u16string& Content() const { return FContent; }")
            w("  void SetContent(std::u16string_view v) { FContent = v; }")
        if n == "T__ROOT__" or c.get("keep_unknown_attributes"):
            w("  TStringXpgList& RootAttributes() { return FRootAttributes; }")
            if c.get("clear_root"):
                w("  // Empties the root attributes and clears every document element with its read flag.")
                w("  void Clear();")
        for line in c.get("public_extra", []):
            w("  " + line)
        hooked = c["hooks"]
        if "CheckAssigned" in c["custom"]:
            w("")
            w(" private:")
            w("  int CheckAssignedGenerated();")
        if hooked:
            w("")
            w(" private:")
            w("  // Generated bodies, called by the hand-written hooks.")
            for h in hooked:
                if h == "HandleElement":
                    w("  TXPGBase* HandleElementGenerated(TXPGReader& r);")
                elif h == "AssignAttributes":
                    w("  void AssignAttributesGenerated(const TXpgXMLAttributeList& a);")
                elif h == "Clear" and c["clear_inline"]:
                    self.emit_inline_clear(c, "ClearGenerated", w)
                elif h == "Clear":
                    w("  void ClearGenerated();")
                elif h == "Extension":
                    pass
                else:
                    raise SystemExit("%s: unknown hook %s" % (self.path, h))
        w("")
        w(" private:")
        for a in c["attrs"]:
            d = self.default(a)
            w("  %s F%s%s;" % (self.ctype(a), a["field"], "" if d is None else " = " + d))
        for ch in c["kids"]:
            d = TEXT_TYPES[ch["type"]][1] if ch["kind"] == "text" else None
            w("  %s F%s%s;" % (self.member_type(ch), ch["field"], "" if d is None else " = " + d))
        if c["content"]:
            w("  %s;" % ("int64_t FContent = 0" if c["content_type"] == "int" else "std::u16string FContent"))
        if n == "T__ROOT__" or c.get("keep_unknown_attributes"):
            w("  TStringXpgList FRootAttributes;")
        for line in c.get("private_extra", []):
            w("  " + line)
        w("};")
        w("")

    def emit_doc_decl(self, w):
        d = self.doc
        w("// The document of one part: the root pseudo element with its tree, the error sink and the")
        w("// reader.")
        w("class %s : public %s {" % (d, self.doc_base))
        w(" public:")
        w("  %s();" % d)
        w("  ~%s() override;" % d)
        if self.policy["doc_load"]:
            w("  // Reads a whole part; the tokenizer's failures pass to the caller.")
            w("  void LoadFromStream(TXLSStream& stream);")
            w("  void LoadFromBytes(std::string_view bytes);")
        else:
            w("  // The reader over the root (the document itself offers no load).")
            w("  TXPGReader& Reader() { return *FReader; }")
        if self.policy["write"]:
            w("  // Writes the declaration and the tree.")
            w("  void SaveToStream(TXLSStream& stream);")
        w("  T__ROOT__* Root() const { return FRoot.get(); }")
        for ch in self.root["kids"]:
            w("  %s* %s() const;" % (ch["class"], ch["field"]))
        for line in self.doc_extra:
            w("  " + line)
        w("")
        w(" private:")
        w("  std::unique_ptr<T__ROOT__> FRoot;")
        w("  std::unique_ptr<TXPGReader> FReader;")
        if self.policy["write"]:
            w("  TXpgWriteXML FWriter;")
        w("};")
        w("")

    # ---- emit source ------------------------------------------------------------------------
    def source_text(self):
        L = []
        w = L.append
        w("// Generated by tools/xpggen/xpggen.py from %s; do not edit." % os.path.relpath(self.path, start=os.path.dirname(os.path.dirname(HERE))))
        w('#include "%s"' % self.header)
        w("")
        if self.uses_int_text():
            w("#include <charconv>")
        w("#include <cstring>")
        w("")
        w('#include "xls/package/xpgvalues.h"')
        w("")
        w("namespace %s {" % self.cppns)
        w("")
        if self.uses_int_text():
            w("namespace {")
            w("// Integer text (optional sign, decimal digits, nothing else); 0 when it does not convert.")
            w("int64_t XpgTextToInt64(std::string_view t) {")
            w("  if (!t.empty() && t[0] == '+') t.remove_prefix(1);")
            w("  int64_t v = 0;")
            w("  const auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);")
            w("  return ec == std::errc() && p == t.data() + t.size() ? v : 0;")
            w("}")
            w("}  // namespace")
            w("")
        if self.policy["write"]:
            w("namespace {")
            w("[[maybe_unused]] std::u16string XpgWiden(std::string_view s) { return std::u16string(s.begin(), s.end()); }")
            w("}  // namespace")
            w("")
        if not self.shared_enums:
            self.emit_enum_defs(w)
        allc = self.classes + ([self.root] if self.root else [])
        for c in allc:
            self.emit_class_def(c, w)
        if self.doc:
            self.emit_doc_def(w)
        w("}  // namespace %s" % self.cppns)
        return "\n".join(L) + "\n"

    def emit_enum_defs(self, w):
        w("const TXpgEnumName kEnumNames[%d] = {" % max(1, sum(len(e["values"]) for e in self.enums)))
        any_e = False
        for e in self.enums:
            for i, v in enumerate(e["values"]):
                w("    {%s, %d}," % (cpp_str(self.enum_ident(e, v)), i))
                any_e = True
        if not any_e:
            w('    {"", 0},')
        w("};")
        w("")
        w("int StrToEnum(std::string_view identifier) {")
        w("  for (int i = 0; i < kEnumNameCount; ++i) {")
        w("    const std::string_view n = kEnumNames[i].Identifier;")
        w("    if (XpgEnumIndex(identifier, {&n, 1}) == 0) return kEnumNames[i].Ordinal;")
        w("  }")
        if self.policy["enum_unknown"] == "raise":
            w('  XpgEnumNotFound("", identifier);')
        else:
            w("  return 0;")
        w("}")
        w("")

    def eager(self):
        return self.policy["children"] == "eager"

    def emit_class_def(self, c, w):
        n = c["name"]
        w("// %s %s" % (n, "-" * max(0, 92 - len(n))))
        w("")
        ctor_init = ["TXPGBase(owner)"]
        if n == "T__ROOT__":
            pass
        w("%s::%s(TXPGDocBase* owner) : %s {" % (n, n, ", ".join(ctor_init)))
        w("  FElementCount = %d;" % len(c["kids"]))
        w("  FAttributeCount = %d;" % len(c["attrs"]))
        if self.ctor_hook and n != "T__ROOT__":
            w("  " + self.ctor_hook)
        for ch in c["kids"]:
            if ch["kind"] == "group":
                w("  F%s = std::make_unique<%s>(owner);" % (ch["field"], ch["class"]))
            elif ch["kind"] == "mixed":
                w("  F%s = std::make_unique<TXPGBaseObjectList>(owner);" % ch["field"])
            elif ch["kind"] == "grouplist":
                w("  F%s = std::make_unique<%s>(owner);" % (ch["field"], ch["list_class"]))
            elif ch.get("eager") and not self.eager() and ch["kind"] == "list":
                w("  F%s = std::make_unique<%s>(owner);" % (ch["field"], ch["list_class"]))
            elif ch.get("eager") and not self.eager() and ch["kind"] == "single":
                w("  F%s = std::make_unique<%s>(owner);" % (ch["field"], ch["class"]))
        for a in c["attrs"]:
            if a["kind"] == "strlist" and a.get("default"):
                w("  F%s.SetDelimitedText(%s);" % (a["field"], cpp_u16(a["default"])))
        if self.eager():
            for ch in c["kids"]:
                if ch["lazy"] or ch["kind"] in ("group", "mixed", "grouplist"):
                    continue
                if ch["kind"] == "list":
                    w("  F%s = std::make_unique<%s>(owner);" % (ch["field"], ch["list_class"]))
                elif ch["kind"] == "single":
                    w("  F%s = std::make_unique<%s>(owner);" % (ch["field"], ch["class"]))
        for line in c["ctor_extra"]:
            w("  " + line)
        w("}")
        w("")
        w("%s::~%s() = default;" % (n, n))
        w("")
        # CheckAssigned
        w("int %s::%s() {" % (n, "CheckAssignedGenerated" if "CheckAssigned" in c["custom"] else "CheckAssigned"))
        w("  int n = 0;")
        w("  FAssigneds &= ~uint8_t(xaElements | xaAttributes);")
        if "attr_count" in c:
            if c["attr_count"] > 0:
                w("  n += %d;" % c["attr_count"])
                w("  FAssigneds |= xaAttributes;")
        for a in ([] if "attr_count" in c else c["attrs"]):
            d = self.default(a)
            if "assigned_unless" in a:
                d = str(a["assigned_unless"])
            f = "F" + a["field"]
            if a.get("required"):
                w("  ++n;  // required: %s" % a["name"])
                w("  FAssigneds |= xaAttributes;")
                continue
            if a["kind"] == "strlist":
                cond = "%s.Count() > 0" % f
            elif a["kind"] in ("adjcoord", "adjangle"):
                cond = "%s.nVal >= 0" % f
            elif a["kind"] == "string":
                cond = "!%s.empty()" % f if d is None else "%s != %s" % (f, d)
            elif a["kind"] == "double":
                dd = d
                cond = "!(%s == %s)" % (f, dd) if "NaN" not in dd else "%s == %s" % (f, f)
            else:
                cond = "%s != %s" % (f, d)
            w("  if (%s) { ++n; FAssigneds |= xaAttributes; }" % cond)
        if c["content"]:
            w("  if (%s) { ++n; FAssigneds |= xaContent; }" % ("FContent != 0" if c["content_type"] == "int" else "!FContent.empty()"))
        for ch in c["kids"]:
            f = "F" + ch["field"]
            if ch["kind"] == "text" and ch["type"] != "string":
                w("  if (%s != 0) { ++n; FAssigneds |= xaElements; }" % f)
            elif ch["kind"] in ("text", "textlist"):
                w("  if (!%s.empty()) { ++n; FAssigneds |= xaElements; }" % f)
            elif ch.get("count") == "present":
                w("  if (%s) { ++n; FAssigneds |= xaElements; }" % f)
            else:
                w("  if (%s) { const int k = %s->CheckAssigned(); if (k > 0) { n += k; FAssigneds |= xaElements; } }" % (f, f))
        w("  return n;")
        w("}")
        w("")
        if (c["kids"] or n == "T__ROOT__") and "HandleElement" not in c["custom"]:
            self.emit_handle(c, w)
        for f in c["create"]:
            ch = self.kid(c, f)
            w("%s* %s::Create_%s() {" % (ch["class"], n, self.opname(f)))
            w("  if (!F%s) {" % f)
            w("    Clear();")
            w("    F%s = std::make_unique<%s>(FOwner);" % (f, ch["class"]))
            w("  }")
            w("  return F%s.get();" % f)
            w("}")
            w("")
        for f in c["optional_create"]:
            ch = self.kid(c, f)
            w("%s* %s::Create_%s() {" % (ch["class"], n, self.opname(f)))
            w("  if (!F%s) F%s = std::make_unique<%s>(FOwner);" % (f, f, ch["class"]))
            w("  return F%s.get();" % f)
            w("}")
            w("")
        if n == "T__ROOT__" and c.get("clear_root"):
            w("void T__ROOT__::Clear() {")
            w("  FRootAttributes.Clear();")
            w("  FAssigneds = 0;")
            for ch in c["kids"]:
                if ch.get("on_use"):
                    w("  if (F%s) {" % ch["field"])
                    w("    F%s->Clear();" % ch["field"])
                    w("    F%s->SetAssigneds(0);" % ch["field"])
                    w("  }")
                else:
                    w("  F%s->Clear();" % ch["field"])
                    w("  F%s->SetAssigneds(0);" % ch["field"])
            w("}")
            w("")
        elif c.get("absorb_children") and "HandleElement" not in c["custom"]:
            w("TXPGBase* %s::HandleElement(TXPGReader& r) {" % n)
            w("  (void)r;")
            w("  return TXPGReader::SkipSilently();")
            w("}")
            w("")
        if c["attrs"] and "AssignAttributes" not in c["custom"]:
            self.emit_assign(c, w)
        if c["clear"] and not c["clear_inline"]:
            name = "ClearGenerated" if "Clear" in c["hooks"] else "Clear"
            w("void %s::%s() {" % (n, name))
            for line in self.clear_body(c):
                w("  " + line)
            w("}")
            w("")
        if self.policy["write"]:
            self.emit_write(c, w)

    def child_result(self, ch, w, ind):
        f = "F" + ch["field"]
        if ch["kind"] == "text":
            w(ind + "%s = %s;" % (f, TEXT_TYPES[ch["type"]][2]))
            w(ind + "return TXPGReader::SkipSilently();")
            return
        if ch["kind"] == "textlist":
            w(ind + "%s.push_back(%s);" % (f, TEXT_TYPES[ch["type"]][2]))
            w(ind + "return TXPGReader::SkipSilently();")
            return
        if ch["kind"] == "mixed_item":
            w(ind + "return %s->Add<%s>();" % (f, ch["class"]))
            return
        if ch["kind"] == "list":
            if not self.eager() or ch["lazy"]:
                w(ind + "if (!%s) %s = std::make_unique<%s>(FOwner);" % (f, f, ch["list_class"]))
            w(ind + "%s* x = %s->Add();" % (ch["class"], f))
        else:
            if not self.eager() or ch["lazy"]:
                w(ind + "if (!%s) %s = std::make_unique<%s>(FOwner);" % (f, f, ch["class"]))
            w(ind + "%s* x = %s.get();" % (ch["class"], f))
        cls = self.class_by_name.get(ch["class"])
        if cls and cls["content"] and cls["content_type"] == "int":
            w(ind + "if (r.HasText()) x->SetContent(XpgTextToInt64(r.TextBytes()));")
        elif cls and cls["content"]:
            w(ind + "if (r.HasText()) x->SetContent(r.Text());")
        w(ind + "return x;")

    def emit_handle(self, c, w):
        n = c["name"]
        name = "HandleElementGenerated" if "HandleElement" in c["hooks"] else "HandleElement"
        w("TXPGBase* %s::%s(TXPGReader& r) {" % (n, name))
        if n == "T__ROOT__":
            w("  const TXpgXMLAttributeList& a = r.Attributes();")
            w("  for (int i = 0; i < a.Count(); ++i) FRootAttributes.Add(a.AsXmlText2(i));")
        groups = {}
        own = []
        for ch in c["kids"]:
            if ch["kind"] == "mixed":
                for it in ch["items"]:
                    x = {"kind": "mixed_item", "element": it["element"], "class": it["class"],
                         "ns": it.get("ns", self.ns), "field": ch["field"]}
                    own.append(x)
                    groups.setdefault(byte_sum(x["element"]), []).append(x)
            elif ch["kind"] not in ("group", "grouplist"):
                own.append(ch)
                groups.setdefault(byte_sum(ch["element"]), []).append(ch)
        def match(ch):
            return " || ".join("r.Is(TXpgNs::%s, %s)" % (ns, cpp_str(ch["element"]))
                               for ns in [ch["ns"]] + ch.get("also_ns", []))
        if len(own) == 1:
            ch = own[0]
            w("  if (%s) {" % match(ch))
            self.child_result(ch, w, "    ")
            w("  }")
        elif own:
            w("  switch (r.LocalHashA()) {")
            for h in sorted(groups):
                w("    case %d:" % h)
                for ch in groups[h]:
                    w("      if (%s) {" % match(ch))
                    self.child_result(ch, w, "        ")
                    w("      }")
                w("      break;")
            w("    default:")
            w("      break;")
            w("  }")
        for ch in c["kids"]:
            if ch["kind"] == "group":
                w("  if (TXPGBase* x = F%s->HandleElement(r)) return x;" % ch["field"])
            elif ch["kind"] == "grouplist":
                w("  {")
                w("    auto item = std::make_unique<%s>(FOwner);" % ch["class"])
                w("    if (TXPGBase* x = item->HandleElement(r)) {")
                w("      F%s->Append(std::move(item));" % ch["field"])
                w("      return x;")
                w("    }")
                w("  }")
        w("  return nullptr;")
        w("}")
        w("")

    def emit_assign(self, c, w):
        n = c["name"]
        name = "AssignAttributesGenerated" if "AssignAttributes" in c["hooks"] else "AssignAttributes"
        w("void %s::%s(const TXpgXMLAttributeList& a) {" % (n, name))
        keep = c.get("keep_unknown_attributes", False)
        w("  for (int i = 0; i < a.Count(); ++i) {")
        if keep:
            w("    if (a.IsNsDecl(i)) {")
            w("      FRootAttributes.Add(a.AsXmlText2(i));")
            w("      continue;")
            w("    }")
        else:
            w("    if (a.IsNsDecl(i)) continue;")
        groups = {}
        for a in c["attrs"]:
            groups.setdefault(byte_sum(a["local"]), []).append(a)
        w("    switch (a.LocalHashA(i)) {")
        for h in sorted(groups):
            w("      case %d:" % h)
            for a in groups[h]:
                w("        if (a.Is(i, TXpgNs::%s, %s)) {" % (a["ns"], cpp_str(a["local"])))
                w("          " + self.convert(a))
                w("          continue;")
                w("        }")
            w("        break;")
        w("      default:")
        w("        break;")
        w("    }")
        if keep:
            w("    FRootAttributes.Add(a.AsXmlText2(i));")
        elif c.get("report_unknown_attributes", True):
            w("    ReportAttribute(a, i);")
        w("  }")
        w("}")
        w("")

    def emit_write(self, c, w):
        n = c["name"]
        if n == "T__ROOT__":
            return
        w("void %s::Write(TXpgWriteXML& w, std::u16string_view element) {" % n)
        for a in c["attrs"]:
            f = "F" + a["field"]
            if a["kind"] == "enum":
                w("  if (%s < std::size(k%sNames)) w.AddAttribute(%s, %s);" % (f, a["type"], cpp_u16(a["name"]), self.to_text(a)))
            else:
                w("  w.AddAttribute(%s, %s);" % (cpp_u16(a["name"]), self.to_text(a)))
        if not c["kids"]:
            if c["content"]:
                w("  if (!FContent.empty()) {")
                w("    w.SimpleTextTag(element, FContent);")
                w("    return;")
                w("  }")
            w("  w.SimpleTag(element);")
        else:
            w("  w.BeginTag(element);")
            for ch in c["kids"]:
                f = "F" + ch["field"]
                if ch["kind"] == "list":
                    w("  if (%s)" % f)
                    w("    for (auto& x : *%s) x->Write(w, %s);" % (f, cpp_u16(ch["element"])))
                elif ch["kind"] == "text":
                    w("  if (!%s.empty()) w.SimpleTextTag(%s, %s);" % (f, cpp_u16(ch["element"]), f))
                else:
                    w("  if (%s && %s->CheckAssigned() > 0) %s->Write(w, %s);" % (f, f, f, cpp_u16(ch["element"])))
            w("  w.EndTag();")
        w("}")
        w("")

    def emit_doc_def(self, w):
        d = self.doc
        pol = "TXpgUnitPolicy{%s}" % ("true" if self.policy["assign_attributes"] == "always" else "false")
        w("// %s %s" % (d, "-" * max(0, 92 - len(d))))
        w("")
        w("%s::%s()" % (d, d))
        w("    : FRoot(std::make_unique<T__ROOT__>(this)),")
        if self.doc_ctor:
            w("      FReader(std::make_unique<TXPGReader>(FErrors, *FRoot, %s)) {" % pol)
            for line in self.doc_ctor:
                w("  " + line)
            w("}")
        else:
            w("      FReader(std::make_unique<TXPGReader>(FErrors, *FRoot, %s)) {}" % pol)
        w("")
        w("%s::~%s() = default;" % (d, d))
        w("")
        if self.policy["doc_load"]:
            w("void %s::LoadFromStream(TXLSStream& stream) { FReader->LoadFromStream(stream); }" % d)
            w("")
            w("void %s::LoadFromBytes(std::string_view bytes) { FReader->LoadFromBytes(bytes); }" % d)
            w("")
        for ch in self.root["kids"]:
            w("%s* %s::%s() const { return FRoot->%s(); }" % (ch["class"], d, ch["field"], ch["field"]))
        w("")
        if self.policy["write"]:
            w("void %s::SaveToStream(TXLSStream& stream) {" % d)
            w("  FWriter.SaveToStream(stream);")
            w("  std::string raw;")
            w("  for (int i = 0; i < FRoot->RootAttributes().Count(); ++i) {")
            w("    raw += kws_utf8(FRoot->RootAttributes().GetItems(i));")
            w('    raw += "\\r\\n";')
            w("  }")
            w("  FWriter.AddRawAttributes(raw);")
            for i, ch in enumerate(self.root["kids"]):
                f = "FRoot->%s()" % ch["field"]
                if i == 0:
                    w("  %s->Write(FWriter, %s);" % (f, cpp_u16(ch["element"])))
                else:
                    w("  if (%s->Available() && %s->CheckAssigned() > 0) %s->Write(FWriter, %s);" % (f, f, f, cpp_u16(ch["element"])))
            w("}")
            w("")


def generate(unit_paths, out_root):
    written = []
    for p in unit_paths:
        u = Unit(p)
        for rel, text in ((u.header, u.header_text()), (u.source, u.source_text())):
            if u.policy["write"]:
                text = text.replace('#include "xls/package/xpgvalues.h"\n',
                                    '#include "platform/textcodec.h"\n#include "xls/package/xpgvalues.h"\n', 1)
                text = text.replace("kws_utf8(", "kws::Utf16ToUtf8(")
            if u.hooks_header and rel == u.header:
                pass
            dst = os.path.join(out_root, rel)
            os.makedirs(os.path.dirname(dst), exist_ok=True)
            with open(dst, "w", encoding="utf-8", newline="\n") as f:
                f.write(text)
            written.append(rel)
    return written


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--root", default=os.path.dirname(os.path.dirname(HERE)))
    ap.add_argument("--out")
    ap.add_argument("--check", action="store_true")
    ap.add_argument("units", nargs="*")
    args = ap.parse_args()
    units = args.units or sorted(os.path.join(HERE, "units", f) for f in os.listdir(os.path.join(HERE, "units"))
                                 if f.endswith(".toml"))
    if args.check:
        with tempfile.TemporaryDirectory() as tmp:
            files = generate(units, tmp)
            bad = 0
            for rel in files:
                new = open(os.path.join(tmp, rel), encoding="utf-8").read()
                try:
                    old = open(os.path.join(args.root, rel), encoding="utf-8").read()
                except FileNotFoundError:
                    print("missing: " + rel)
                    bad += 1
                    continue
                if old != new:
                    bad += 1
                    sys.stdout.writelines(difflib.unified_diff(old.splitlines(True), new.splitlines(True),
                                                               "committed/" + rel, "generated/" + rel))
            print("%d generated files, %d differ" % (len(files), bad))
            return 1 if bad else 0
    generate(units, args.out or args.root)
    return 0


if __name__ == "__main__":
    sys.exit(main())
