#pragma once
// A small model of HTML start and end tags and a tolerant scanner over an HTML text.
// It knows no document structure (no nesting, text, comments or scripts): it finds the
// tags, parses each into an element with its attributes, and rewrites chosen tags. The
// HTML mail screens use it to list the images a part refers to, to check tags against a
// carrier's allowed set, and to point image references at new Content-IDs.
//
// Case: tag and attribute names are folded to lower case by the parser; attribute values
// keep their case, because file names and fragment references ("#Map1") are
// case-sensitive on this platform. Identity (operator==, the IsInEntry* queries) compares
// bytes exactly; pattern matching (IsParticalAgreement, ReplaceHtmlAttrVal) compares
// values without regard to ASCII case, as HTML authors write "CID:" and "cid:" alike.
//
// All text is Shift_JIS; case folding leaves double-byte characters alone.

#include <string>
#include <utility>
#include <vector>

class CHtmlAttribute {
public:
    CHtmlAttribute() = default;
    CHtmlAttribute(std::string attrName, std::string attrValue)
        : name(std::move(attrName)), value(std::move(attrValue)) {}
    CHtmlAttribute(const CHtmlAttribute&) = default;
    CHtmlAttribute& operator=(const CHtmlAttribute&) = default;
    virtual ~CHtmlAttribute() = default;

    // Both strings byte-for-byte equal.
    bool operator==(const CHtmlAttribute& other) const {
        return name == other.name && value == other.value;
    }
    bool operator!=(const CHtmlAttribute& other) const { return !(*this == other); }

    std::string name;
    std::string value;
};

// The attributes of one tag in text order; a name may repeat.
class CHtmlAttrs : public std::vector<CHtmlAttribute> {
public:
    using std::vector<CHtmlAttribute>::vector;
    virtual ~CHtmlAttrs() = default;

    // 1 when an attribute with equal name and value is present, else 0.
    int IsInEntryAttribute(const CHtmlAttribute& attr) const;
    // 1 when an attribute of that name is present, else 0.
    int IsInEntryAttrName(const std::string& name) const;
    // Value of the first attribute of that name into `value` and 1; 0 (value untouched)
    // when there is none.
    int GetValue(const std::string& name, std::string& value) const;
    // Gives the first attribute of that name the value: 1; 0 when there is none.
    int SetValue(const std::string& name, const std::string& value);
};

class CHtmlElement {
public:
    CHtmlElement() = default;
    CHtmlElement(const CHtmlElement&) = default;
    CHtmlElement& operator=(const CHtmlElement&) = default;
    virtual ~CHtmlElement() = default;

    // Equal names and end-tag flags, and the same attributes (exact bytes) in the same
    // order.
    bool operator==(const CHtmlElement& other) const;
    bool operator!=(const CHtmlElement& other) const { return !(*this == other); }

    // Writes the tag text: "</name>" for an end tag, else "<name" with ` attr="value"` for
    // each attribute and ">" (a double quote inside a value is written as &quot; so the
    // text stays well formed). 1; 0 (text untouched) when the name or an attribute name is
    // empty.
    int GetTagString(std::string& text) const;

    // Whether this element agrees with `pattern`: same name; for an end tag, 1 exactly
    // when the pattern is an end tag too; otherwise every attribute of the pattern occurs
    // here with the same name and a value equal without regard to ASCII case (a pattern
    // without attributes agrees with every element of its name).
    int IsParticalAgreement(const CHtmlElement& pattern) const;

    std::string name;  // lower case when parsed
    int endTag = 0;    // nonzero for a closing tag
    CHtmlAttrs attrs;
};

// A table of tag replacements: (source element, destination element).
class CHtmlElemRepPair : public std::vector<std::pair<CHtmlElement, CHtmlElement>> {
public:
    using std::vector<std::pair<CHtmlElement, CHtmlElement>>::vector;
    virtual ~CHtmlElemRepPair() = default;

    // Destination of the first pair whose source equals `elem` into `dest` and 1; else 0.
    int GetDestElem(const CHtmlElement& elem, CHtmlElement& dest) const;
};

class CArrayOfString : public std::vector<std::string> {
public:
    using std::vector<std::string>::vector;
    virtual ~CArrayOfString() = default;

    // 1 when an equal string is present, else 0.
    int IsInEntryString(const std::string& text) const;
};

class CHtmlElems : public std::vector<CHtmlElement> {
public:
    using std::vector<CHtmlElement>::vector;
    virtual ~CHtmlElems() = default;

    // 1 when an equal element is present, else 0.
    int IsInEntryElement(const CHtmlElement& elem) const;
    // Empties `names` and fills it with the distinct element names in order of first
    // occurrence.
    void GetElemNames(CArrayOfString& names) const;
    // Empties `values`; for each element named `elemName`, in order, the value of its
    // first attribute named `attrName` (elements without it are skipped), each distinct
    // value once.
    void GetAttrVals(const std::string& elemName, const std::string& attrName,
                     CArrayOfString& values) const;
};

// Parses the text of one tag (what stands between "<" and ">") into `elem`: 1, or 0 with
// `elem` untouched. Rules: white space at both ends is ignored; "!" first (comments,
// declarations) fails; "/" first makes an end tag; the name ends at white space; then
// name=value pairs, values bare or in single or double quotes (a closing quote must be
// followed by white space or the end). Names must pass IsAllowdAsHtmlAttrName after
// folding to lower case. A tag with text after its name must hold at least one
// name=value pair; a bare word before a pair fails the tag, one after the last pair is
// ignored. A lone LF or CR separates like a blank, so line ends never decide the result.
int ExpandHtmlElement(const std::string& tagText, CHtmlElement& elem);

// Empties `elems` and fills it with the elements of every tag of `html` that parses, in
// text order. With `all` zero an element equal to one already collected is left out.
// Scanning: a tag opens at "<" and closes at the next ">"; "<>" is no tag; a "<" followed
// by another "<" before the ">" opens nothing; a ">" inside a quoted value ends the tag
// there (such a tag then fails to parse); tags inside comments are found.
void ExtractHtmlElement(const std::string& html, CHtmlElems& elems, int all);

// Writes `html` into `out` with every tag whose element is the source of a pair replaced
// by that pair's destination (regenerated with GetTagString). Returns the number of tags
// replaced.
int ReplaceHtmlElement(const std::string& html, const CHtmlElemRepPair& pairs, std::string& out);

// Writes `html` into `out` with the value of `attr` set to `newValue` in every `elemName`
// start tag that carries `attr` (names without regard to case, value without regard to
// ASCII case). Only the value of the tag's first attribute of that name is rewritten, in
// place: the rest of the tag text stays byte for byte. The new value keeps the original
// quoting where it can and is double-quoted otherwise. Returns the number of tags
// rewritten; an empty `html` gives 0 and leaves `out` untouched.
int ReplaceHtmlAttrVal(const std::string& html, const std::string& elemName,
                       const CHtmlAttribute& attr, const std::string& newValue, std::string& out);
int ReplaceHtmlAttrVal(const std::string& html, const std::string& elemName,
                       const std::string& attrName, const std::string& attrValue,
                       const std::string& newValue, std::string& out);

// 1 when every character is a lower-case ASCII letter, a digit or "-" ("" passes). The
// parser applies this rule to tag and attribute names.
int IsAllowdAsHtmlAttrName(const std::string& name);
// The same without "-".
int IsAllowdAsHtmlElemName(const std::string& name);
