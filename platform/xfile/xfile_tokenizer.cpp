#include "platform/xfile/xfile_tokenizer.h"

#include "platform/xfile/xfile_templates.h"

namespace {
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsNameStart(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || u >= 0x80;
}

// Exporters write names such as "Cube.001" and "Bip01-L-Thigh".
bool IsNameChar(char c) {
    return IsNameStart(c) || IsDigit(c) || c == '.' || c == '-';
}

bool IsSpace(char c) {
    // 0x1A: the end-of-file mark that old DOS tools left at the end of text files.
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v' || c == 0x1A;
}

std::string Printable(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7F)
        return std::string("'") + c + "'";
    static const char kHex[] = "0123456789ABCDEF";
    return std::string("byte 0x") + kHex[u >> 4] + kHex[u & 15];
}

std::string Clip(std::string_view text) {
    constexpr size_t kShown = 40;
    if (text.size() <= kShown)
        return std::string(text);
    return std::string(text.substr(0, kShown)) + "...";
}
}  // namespace

const char* XTokenKindName(XTokenKind kind) {
    switch (kind) {
        case XTokenKind::End:
            return "end of file";
        case XTokenKind::Error:
            return "a bad token";
        case XTokenKind::Name:
            return "a name";
        case XTokenKind::Integer:
            return "an integer";
        case XTokenKind::Float:
            return "a number";
        case XTokenKind::String:
            return "a string";
        case XTokenKind::Guid:
            return "a GUID";
        case XTokenKind::OpenBrace:
            return "'{'";
        case XTokenKind::CloseBrace:
            return "'}'";
        case XTokenKind::OpenBracket:
            return "'['";
        case XTokenKind::CloseBracket:
            return "']'";
        case XTokenKind::Comma:
            return "','";
        case XTokenKind::Semicolon:
            return "';'";
        case XTokenKind::Ellipsis:
            return "'...'";
    }
    return "a token";
}

std::string DescribeXToken(const XToken& token) {
    switch (token.kind) {
        case XTokenKind::Name:
            return "name '" + Clip(token.text) + "'";
        case XTokenKind::Integer:
        case XTokenKind::Float:
            return "number '" + Clip(token.text) + "'";
        case XTokenKind::String:
            return "string \"" + Clip(token.text) + "\"";
        case XTokenKind::Guid:
            return "GUID <" + std::string(token.text) + ">";
        default:
            return XTokenKindName(token.kind);
    }
}

XTokenizer::XTokenizer(const char* begin, const char* end, uint32_t firstLine)
    : m_pCursor(begin), m_pEnd(end), m_dwLine(firstLine) {}

const XToken& XTokenizer::Peek() {
    if (!m_bHasNext) {
        m_next = Scan();
        m_bHasNext = true;
    }
    return m_next;
}

size_t XTokenizer::RemainingBytes() const {
    const char* from = m_bHasNext ? m_pNextStart : m_pCursor;
    return static_cast<size_t>(m_pEnd - from);
}

XToken XTokenizer::Take() {
    const XToken token = Peek();
    // End and Error stay in the look-ahead: the text is not read past them.
    if (token.kind != XTokenKind::End && token.kind != XTokenKind::Error)
        m_bHasNext = false;
    return token;
}

bool XTokenizer::Check(XTokenKind kind) {
    if (Peek().kind != kind)
        return false;
    Take();
    return true;
}

bool XTokenizer::Expect(XTokenKind kind, XToken* out) {
    const XToken& next = Peek();
    if (next.kind != kind) {
        if (next.kind != XTokenKind::Error) {
            m_message =
                std::string("expected ") + XTokenKindName(kind) + ", found " + DescribeXToken(next);
            m_dwMessageLine = next.line;
        }
        return false;
    }
    const XToken token = Take();
    if (out)
        *out = token;
    return true;
}

void XTokenizer::SkipSpaceAndComments() {
    while (m_pCursor < m_pEnd) {
        const char c = *m_pCursor;
        if (IsSpace(c)) {
            if (c == '\n')
                ++m_dwLine;
            ++m_pCursor;
        } else if (c == '#' || (c == '/' && m_pCursor + 1 < m_pEnd && m_pCursor[1] == '/')) {
            while (m_pCursor < m_pEnd && *m_pCursor != '\n')
                ++m_pCursor;
        } else {
            return;
        }
    }
}

XToken XTokenizer::Fail(const char* start, const std::string& message) {
    m_message = message;
    m_dwMessageLine = m_dwLine;
    XToken token;
    token.kind = XTokenKind::Error;
    token.text = std::string_view(start, static_cast<size_t>(m_pCursor - start));
    token.line = m_dwLine;
    return token;
}

XToken XTokenizer::Scan() {
    SkipSpaceAndComments();
    m_pNextStart = m_pCursor;
    XToken token;
    token.line = m_dwLine;
    if (m_pCursor >= m_pEnd) {
        token.kind = XTokenKind::End;
        return token;
    }
    const char* start = m_pCursor;
    const char c = *m_pCursor;
    const auto single = [&](XTokenKind kind) {
        ++m_pCursor;
        token.kind = kind;
        token.text = std::string_view(start, 1);
        return token;
    };
    switch (c) {
        case '{':
            return single(XTokenKind::OpenBrace);
        case '}':
            return single(XTokenKind::CloseBrace);
        case '[':
            return single(XTokenKind::OpenBracket);
        case ']':
            return single(XTokenKind::CloseBracket);
        case ',':
            return single(XTokenKind::Comma);
        case ';':
            return single(XTokenKind::Semicolon);
        case '"':
            return ScanString(start);
        case '<':
            return ScanGuid(start);
        default:
            break;
    }
    if (c == '.' && m_pEnd - m_pCursor >= 3 && m_pCursor[1] == '.' && m_pCursor[2] == '.') {
        m_pCursor += 3;
        token.kind = XTokenKind::Ellipsis;
        token.text = std::string_view(start, 3);
        return token;
    }
    if (IsDigit(c) || c == '-' || c == '+' || c == '.')
        return ScanNumber(start);
    if (IsNameStart(c)) {
        while (m_pCursor < m_pEnd && IsNameChar(*m_pCursor))
            ++m_pCursor;
        token.kind = XTokenKind::Name;
        token.text = std::string_view(start, static_cast<size_t>(m_pCursor - start));
        return token;
    }
    ++m_pCursor;
    return Fail(start, "unexpected " + Printable(c));
}

XToken XTokenizer::ScanNumber(const char* start) {
    const auto digits = [&] {
        const char* from = m_pCursor;
        while (m_pCursor < m_pEnd && IsDigit(*m_pCursor))
            ++m_pCursor;
        return m_pCursor > from;
    };
    if (*m_pCursor == '-' || *m_pCursor == '+')
        ++m_pCursor;
    bool isFloat = false;
    bool mantissa = digits();
    if (m_pCursor < m_pEnd && *m_pCursor == '.') {
        ++m_pCursor;
        isFloat = true;
        mantissa = digits() || mantissa;
    }
    bool valid = mantissa;
    if (valid && m_pCursor < m_pEnd && (*m_pCursor == 'e' || *m_pCursor == 'E')) {
        ++m_pCursor;
        isFloat = true;
        if (m_pCursor < m_pEnd && (*m_pCursor == '-' || *m_pCursor == '+'))
            ++m_pCursor;
        valid = digits();
    }
    // A number runs into the next separator; "12ab", "1.2.3" and "1.#QNAN" (how old C runtimes
    // printed a NaN) are not numbers.
    while (m_pCursor < m_pEnd &&
           (IsNameChar(*m_pCursor) || *m_pCursor == '+' || *m_pCursor == '#')) {
        valid = false;
        ++m_pCursor;
    }
    if (!valid) {
        const std::string_view text(start, static_cast<size_t>(m_pCursor - start));
        return Fail(start, "bad number '" + Clip(text) + "'");
    }
    XToken token;
    token.kind = isFloat ? XTokenKind::Float : XTokenKind::Integer;
    token.text = std::string_view(start, static_cast<size_t>(m_pCursor - start));
    token.line = m_dwLine;
    return token;
}

XToken XTokenizer::ScanString(const char* start) {
    ++m_pCursor;
    const char* body = m_pCursor;
    while (m_pCursor < m_pEnd && *m_pCursor != '"' && *m_pCursor != '\n')
        ++m_pCursor;
    if (m_pCursor >= m_pEnd || *m_pCursor != '"')
        return Fail(start, "unterminated string");
    XToken token;
    token.kind = XTokenKind::String;
    token.text = std::string_view(body, static_cast<size_t>(m_pCursor - body));
    token.line = m_dwLine;
    ++m_pCursor;
    return token;
}

XToken XTokenizer::ScanGuid(const char* start) {
    constexpr ptrdiff_t kLongest = 64;  // 36 digits and dashes, with room for spaces
    ++m_pCursor;
    while (m_pCursor < m_pEnd && *m_pCursor != '>' && *m_pCursor != '\n' &&
           m_pCursor - start < kLongest)
        ++m_pCursor;
    if (m_pCursor >= m_pEnd || *m_pCursor != '>')
        return Fail(start, "unterminated GUID");
    const char* body = start + 1;
    const char* bodyEnd = m_pCursor;
    ++m_pCursor;
    while (body < bodyEnd && (*body == ' ' || *body == '\t'))
        ++body;
    while (bodyEnd > body && (bodyEnd[-1] == ' ' || bodyEnd[-1] == '\t' || bodyEnd[-1] == '\r'))
        --bodyEnd;
    XGuid guid;
    const size_t length = static_cast<size_t>(bodyEnd - body);
    if (!ParseXGuid(body, length, &guid))
        return Fail(start, "bad GUID <" + Clip(std::string_view(body, length)) + ">");
    XToken token;
    token.kind = XTokenKind::Guid;
    token.text = std::string_view(body, length);
    token.line = m_dwLine;
    return token;
}
