// The tokenizer of .X text: names, numbers, strings, GUIDs and punctuation, with line numbers.
// Owns: a cursor over text it does not own (the caller keeps the bytes alive) and one token of
// look-ahead; `//` and `#` comments and white space are skipped.
// Does not: know templates or data objects (platform/xfile/xfile_parser.cpp does), allocate per token.
// Needs: nothing beyond the standard library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

enum class XTokenKind : uint8_t {
    End,           // end of the text
    Error,         // a character or literal that is not .X text; Message() says which
    Name,          // template, object and member names, keywords ("template", "array")
    Integer,       // 12, -3, +7
    Float,         // 1.5, -0.25, .5, 1e-3
    String,        // "text" (text holds what lies between the quotes)
    Guid,          // <3D82AB44-62DA-11CF-AB39-0020AF71E433> (text holds what lies between)
    OpenBrace,     // {
    CloseBrace,    // }
    OpenBracket,   // [
    CloseBracket,  // ]
    Comma,         // ,
    Semicolon,     // ;
    Ellipsis,      // ...
};

struct XToken {
    XTokenKind kind = XTokenKind::End;
    std::string_view text;
    uint32_t line = 0;
};

// "'}'", "name 'Mesh'", "number '1.5'", "end of file", ...: a token as a message shows it.
std::string DescribeXToken(const XToken& token);
// What a token kind is called in a message ("'{'", "a name", "a GUID").
const char* XTokenKindName(XTokenKind kind);

class XTokenizer {
  public:
    // Tokenizes [begin, end), whose first character lies on line `firstLine`.
    XTokenizer(const char* begin, const char* end, uint32_t firstLine);

    // The next token, not consumed.
    const XToken& Peek();
    // The next token, consumed. After End or Error it keeps returning that token.
    XToken Take();
    // Consumes the next token when it is of that kind.
    bool Check(XTokenKind kind);
    // Consumes the next token, which must be of that kind; otherwise keeps it and returns false
    // with Message() saying what was expected and what was found.
    bool Expect(XTokenKind kind, XToken* out = nullptr);

    // Why the last Error token or failed Expect happened, and on which line.
    const std::string& Message() const { return m_message; }
    uint32_t MessageLine() const { return m_dwMessageLine; }
    // Bytes not yet consumed, the look-ahead token's included.
    size_t RemainingBytes() const;
    uint32_t Line() const { return m_dwLine; }

  private:
    XToken Scan();
    void SkipSpaceAndComments();
    XToken Fail(const char* start, const std::string& message);
    XToken ScanNumber(const char* start);
    XToken ScanString(const char* start);
    XToken ScanGuid(const char* start);

    const char* m_pCursor = nullptr;
    const char* m_pNextStart = nullptr;  // where the look-ahead token starts
    const char* m_pEnd = nullptr;
    uint32_t m_dwLine = 1;
    XToken m_next;
    bool m_bHasNext = false;
    std::string m_message;
    uint32_t m_dwMessageLine = 0;
};
