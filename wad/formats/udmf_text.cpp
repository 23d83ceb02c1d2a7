// The UDMF grammar, read left to right with one character of lookahead:
//
//   text       := (block | assignment)*
//   block      := identifier '{' assignment* '}'
//   assignment := identifier '=' value ';'
//   identifier := [A-Za-z_][A-Za-z0-9_]*
//   value      := '"' (any character but '"' and '\', or '\' and any character)* '"'
//               | a run of characters other than white space and {}();"'=
//
// with `//` comments to the end of the line and `/* */` comments anywhere white space may be.
#include "wad/formats/udmf_text.h"

#include <algorithm>

namespace brindle {

namespace {

constexpr int64_t numberLimit = int64_t{1} << 62;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}
bool isIdentifierStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool isIdentifierPart(char c) {
    return isIdentifierStart(c) || (c >= '0' && c <= '9');
}
bool endsBareValue(char c) {
    return isSpace(c) || c == '{' || c == '}' || c == '(' || c == ')' || c == ';' || c == '"' ||
           c == '\'' || c == '=';
}
int digitValue(char c, int base) {
    int value = 99;
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    }
    return value < base ? value : -1;
}

// A character for a message: itself when printable ASCII, else its code.
std::string shown(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
        return std::string("'") + c + "'";
    }
    static const char hex[] = "0123456789ABCDEF";
    return std::string("byte 0x") + hex[byte >> 4] + hex[byte & 15];
}

class Reader {
  public:
    Reader(std::string_view text, TextMapVisitor& visitor) : text(text), visitor(visitor) {}

    std::string read() {
        bool inBlock = false;
        int64_t blockLine = 0;
        std::string identifier;
        for (;;) {
            if (std::string problem = skipSpace(); !problem.empty()) {
                return problem;
            }
            if (at == text.size()) {
                return inBlock ? fault(line, "the block opened on line " +
                                                 std::to_string(blockLine) + " is not closed")
                               : std::string();
            }
            const char c = text[at];
            if (c == '}') {
                if (!inBlock) {
                    return fault(line, "'}' closes no block");
                }
                ++at;
                inBlock = false;
                if (std::string problem = visitor.endBlock(); !problem.empty()) {
                    return problem;
                }
                continue;
            }
            if (!isIdentifierStart(c)) {
                return fault(line, "unexpected " + shown(c));
            }
            const int64_t identifierLine = line;
            identifier.clear();
            for (; at < text.size() && isIdentifierPart(text[at]); ++at) {
                const char k = text[at];
                identifier += (k >= 'A' && k <= 'Z') ? static_cast<char>(k - 'A' + 'a') : k;
            }
            if (std::string problem = skipSpace(); !problem.empty()) {
                return problem;
            }
            if (at < text.size() && text[at] == '{') {
                if (inBlock) {
                    return fault(line, "a block cannot hold another block");
                }
                ++at;
                inBlock = true;
                blockLine = identifierLine;
                if (std::string problem = visitor.beginBlock(identifier, identifierLine);
                    !problem.empty()) {
                    return problem;
                }
                continue;
            }
            if (at == text.size() || text[at] != '=') {
                return fault(line, "expected '=' or '{' after " + identifier);
            }
            ++at;
            TextValue value;
            if (std::string problem = readValue(identifier, value); !problem.empty()) {
                return problem;
            }
            std::string problem = inBlock ? visitor.assign(identifier, value)
                                          : visitor.assignGlobal(identifier, value);
            if (!problem.empty()) {
                return problem;
            }
        }
    }

  private:
    static std::string fault(int64_t where, const std::string& what) {
        return ": TEXTMAP line " + std::to_string(where) + ": " + what;
    }

    // Passes over white space and comments, counting lines.
    std::string skipSpace() {
        while (at < text.size()) {
            const char c = text[at];
            if (isSpace(c)) {
                line += c == '\n';
                ++at;
            } else if (c == '/' && at + 1 < text.size() && text[at + 1] == '/') {
                while (at < text.size() && text[at] != '\n') {
                    ++at;
                }
            } else if (c == '/' && at + 1 < text.size() && text[at + 1] == '*') {
                const int64_t opened = line;
                at += 2;
                for (;;) {
                    if (at + 1 >= text.size()) {
                        return fault(opened, "the comment is not closed");
                    }
                    if (text[at] == '*' && text[at + 1] == '/') {
                        at += 2;
                        break;
                    }
                    line += text[at] == '\n';
                    ++at;
                }
            } else {
                break;
            }
        }
        return {};
    }

    // After "key =": the value and the ';' that ends the assignment.
    std::string readValue(const std::string& key, TextValue& value) {
        if (std::string problem = skipSpace(); !problem.empty()) {
            return problem;
        }
        value.line = line;
        if (at < text.size() && text[at] == '"') {
            const size_t start = ++at;
            for (;;) {
                if (at >= text.size()) {
                    return fault(value.line, "the string is not closed");
                }
                if (text[at] == '"') {
                    break;
                }
                if (text[at] == '\\' && at + 1 < text.size()) {
                    ++at;
                }
                line += text[at] == '\n';
                ++at;
            }
            value.kind = TextValue::quoted;
            value.text = text.substr(start, at - start);
            ++at;
        } else {
            const size_t start = at;
            while (at < text.size() && !endsBareValue(text[at]) &&
                   !(text[at] == '/' && at + 1 < text.size() &&
                     (text[at + 1] == '/' || text[at + 1] == '*'))) {
                ++at;
            }
            if (at == start) {
                return fault(line, "expected a value after " + key + " =");
            }
            value.kind = TextValue::bare;
            value.text = text.substr(start, at - start);
        }
        if (std::string problem = skipSpace(); !problem.empty()) {
            return problem;
        }
        if (at == text.size() || text[at] != ';') {
            return fault(line, "expected ';' after the value of " + key);
        }
        ++at;
        return {};
    }

    std::string_view text;
    TextMapVisitor& visitor;
    size_t at = 0;
    int64_t line = 1;
};

// value * base + digit, held at numberLimit once it gets there.
int64_t appendDigit(int64_t value, int base, int digit) {
    if (value >= (numberLimit - digit) / base) {
        return numberLimit;
    }
    return value * base + digit;
}

}  // namespace

std::string parseTextMap(std::string_view text, TextMapVisitor& visitor) {
    return Reader(text, visitor).read();
}

std::string unescaped(std::string_view quotedText) {
    std::string out;
    out.reserve(quotedText.size());
    for (size_t i = 0; i < quotedText.size(); ++i) {
        if (quotedText[i] == '\\' && i + 1 < quotedText.size()) {
            ++i;
        }
        out += quotedText[i];
    }
    return out;
}

bool wholeNumber(std::string_view text, int64_t& out) {
    size_t at = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        ++at;
    }
    int64_t magnitude = 0;
    if (text.size() > at + 2 && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X')) {
        for (at += 2; at < text.size(); ++at) {
            const int digit = digitValue(text[at], 16);
            if (digit < 0) {
                return false;
            }
            magnitude = appendDigit(magnitude, 16, digit);
        }
        out = negative ? -magnitude : magnitude;
        return true;
    }

    // Decimal: integer digits, an optional fraction, an optional exponent. The value is the
    // digits as one integer times 10^shift; its whole part is exact, however long the digits.
    const size_t integerStart = at;
    while (at < text.size() && digitValue(text[at], 10) >= 0) {
        ++at;
    }
    const std::string_view integerDigits = text.substr(integerStart, at - integerStart);
    std::string_view fractionDigits;
    if (at < text.size() && text[at] == '.') {
        const size_t fractionStart = ++at;
        while (at < text.size() && digitValue(text[at], 10) >= 0) {
            ++at;
        }
        fractionDigits = text.substr(fractionStart, at - fractionStart);
    }
    if (integerDigits.empty() && fractionDigits.empty()) {
        return false;
    }
    int64_t exponent = 0;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        const bool negativeExponent = at < text.size() && text[at] == '-';
        if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
            ++at;
        }
        const size_t exponentStart = at;
        for (; at < text.size() && digitValue(text[at], 10) >= 0; ++at) {
            exponent = std::min<int64_t>(exponent * 10 + (text[at] - '0'), 1'000'000'000);
        }
        if (at == exponentStart) {
            return false;
        }
        exponent = negativeExponent ? -exponent : exponent;
    }
    if (at != text.size()) {
        return false;
    }
    const int64_t digitCount = static_cast<int64_t>(integerDigits.size() + fractionDigits.size());
    auto digit = [&](int64_t i) {
        const auto index = static_cast<size_t>(i);
        return index < integerDigits.size() ? integerDigits[index] - '0'
                                            : fractionDigits[index - integerDigits.size()] - '0';
    };
    const int64_t shift = exponent - static_cast<int64_t>(fractionDigits.size());
    const int64_t wholeDigits = std::clamp<int64_t>(digitCount + shift, 0, digitCount);
    for (int64_t i = 0; i < wholeDigits; ++i) {
        magnitude = appendDigit(magnitude, 10, digit(i));
    }
    for (int64_t i = 0; i < shift && magnitude != 0 && magnitude != numberLimit; ++i) {
        magnitude = appendDigit(magnitude, 10, 0);
    }
    bool fraction = false;
    for (int64_t i = wholeDigits; i < digitCount && !fraction; ++i) {
        fraction = digit(i) != 0;
    }
    // Rounded down: a negative value with a fraction goes one further from zero.
    out = negative ? -magnitude - (fraction ? 1 : 0) : magnitude;
    return true;
}

}  // namespace brindle
