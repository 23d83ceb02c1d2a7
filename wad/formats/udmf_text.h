// The grammar of a UDMF text map: top-level assignments and blocks of assignments,
//
//   namespace = "doom";
//   vertex { x = 64.0; y = -32; }      // comment
//   /* comment */ sidedef { sector = 0; texturemiddle = "STARTAN2"; }
//
// read in one pass over the bytes, each byte one character (Latin-1). The parser keeps no
// tree: it hands each block and assignment to a visitor as it reads them, so its own memory
// does not grow with the text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace brindle {

// A value as written: a quoted string (without its quotes, escapes still in it), or a run of
// other characters (a number or a keyword such as true).
struct TextValue {
    enum Kind { quoted, bare };
    Kind kind = bare;
    std::string_view text;
    int64_t line = 0;
};

class TextMapVisitor {
  public:
    virtual ~TextMapVisitor() = default;
    // `type` and `key` are lower-cased. Each returns a problem to stop the reading with, or an
    // empty text.
    virtual std::string beginBlock(const std::string& type, int64_t line) = 0;
    virtual std::string assign(const std::string& key, const TextValue& value) = 0;
    virtual std::string endBlock() = 0;
    // An assignment outside any block, such as the namespace.
    virtual std::string assignGlobal(const std::string& key, const TextValue& value) = 0;
};

// Reads the text; returns the first problem: ": TEXTMAP line 7: ..." for text that does not
// follow the grammar, or what the visitor returned.
std::string parseTextMap(std::string_view text, TextMapVisitor& visitor);

// A quoted value's characters with its escapes resolved (a backslash takes the next
// character as it is).
std::string unescaped(std::string_view quotedText);

// A number as the grammar writes it (decimal, 0x hexadecimal, or decimal with a fraction
// and exponent), rounded down to a whole number. False when the text is no number; values
// beyond about 2^62 in size come back clamped there, outside every range a field accepts.
bool wholeNumber(std::string_view text, int64_t& out);

}  // namespace brindle
