#include "platform/xfile/xfile_tokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
struct Seen {
    XTokenKind kind;
    std::string text;
    uint32_t line;
};

std::vector<Seen> TokensOf(const std::string& text) {
    XTokenizer tokens(text.data(), text.data() + text.size(), 1);
    std::vector<Seen> seen;
    for (;;) {
        const XToken token = tokens.Take();
        seen.push_back({token.kind, std::string(token.text), token.line});
        if (token.kind == XTokenKind::End || token.kind == XTokenKind::Error)
            return seen;
    }
}

// The first token of `text`, with its text copied out of the (temporary) input.
Seen OnlyToken(const std::string& text, std::string* message = nullptr) {
    XTokenizer tokens(text.data(), text.data() + text.size(), 1);
    const XToken token = tokens.Take();
    if (message)
        *message = tokens.Message();
    return {token.kind, std::string(token.text), token.line};
}

TEST(XTokenizer, TokensCarryKindTextAndTheLineTheyStartOn) {
    const std::vector<Seen> seen = TokensOf(
        "template Mesh {\r\n"
        "  <3D82AB44-62DA-11CF-AB39-0020AF71E433> // the GUID\n"
        "  array Vector v[n]; [ ... ]\n"
        "# a comment line\n"
        "}\n"
        "Mesh m { 1, -2.5; \"a b\" }");
    const std::vector<Seen> expected = {
        {XTokenKind::Name, "template", 1},
        {XTokenKind::Name, "Mesh", 1},
        {XTokenKind::OpenBrace, "{", 1},
        {XTokenKind::Guid, "3D82AB44-62DA-11CF-AB39-0020AF71E433", 2},
        {XTokenKind::Name, "array", 3},
        {XTokenKind::Name, "Vector", 3},
        {XTokenKind::Name, "v", 3},
        {XTokenKind::OpenBracket, "[", 3},
        {XTokenKind::Name, "n", 3},
        {XTokenKind::CloseBracket, "]", 3},
        {XTokenKind::Semicolon, ";", 3},
        {XTokenKind::OpenBracket, "[", 3},
        {XTokenKind::Ellipsis, "...", 3},
        {XTokenKind::CloseBracket, "]", 3},
        {XTokenKind::CloseBrace, "}", 5},
        {XTokenKind::Name, "Mesh", 6},
        {XTokenKind::Name, "m", 6},
        {XTokenKind::OpenBrace, "{", 6},
        {XTokenKind::Integer, "1", 6},
        {XTokenKind::Comma, ",", 6},
        {XTokenKind::Float, "-2.5", 6},
        {XTokenKind::Semicolon, ";", 6},
        {XTokenKind::String, "a b", 6},
        {XTokenKind::CloseBrace, "}", 6},
        {XTokenKind::End, "", 6},
    };
    ASSERT_EQ(seen.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(seen[i].kind, expected[i].kind) << i;
        EXPECT_EQ(seen[i].text, expected[i].text) << i;
        EXPECT_EQ(seen[i].line, expected[i].line) << i;
    }
}

TEST(XTokenizer, NumbersInTheFormsExportersWrite) {
    const struct {
        const char* text;
        XTokenKind kind;
    } cases[] = {
        {"0", XTokenKind::Integer},       {"-17", XTokenKind::Integer},
        {"+7", XTokenKind::Integer},      {"1.000000", XTokenKind::Float},
        {".5", XTokenKind::Float},        {"5.", XTokenKind::Float},
        {"-0.000000", XTokenKind::Float}, {"1e-3", XTokenKind::Float},
        {"-2E+10", XTokenKind::Float},
    };
    for (const auto& c : cases) {
        const Seen token = OnlyToken(std::string(c.text) + ";");
        EXPECT_EQ(token.kind, c.kind) << c.text;
        EXPECT_EQ(token.text, c.text);
    }
}

TEST(XTokenizer, NamesMayHoldDotsDashesAndNonAsciiBytes) {
    for (const char* name : {"Cube.001", "Bip01-L-Thigh", "_x9",
                             "\xE8\x83\xB4"
                             "Frame"}) {
        const Seen token = OnlyToken(std::string(name) + " {");
        EXPECT_EQ(token.kind, XTokenKind::Name) << name;
        EXPECT_EQ(token.text, name);
    }
}

TEST(XTokenizer, MalformedLiteralsAreErrorsNamingTheirLine) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"\n\n12ab;", "bad number '12ab'"},
        {"\n\n1.2.3;", "bad number '1.2.3'"},
        {"\n\n1.#QNAN0;", "bad number '1.#QNAN0'"},
        {"\n\n-;", "bad number '-'"},
        {"\n\n1e;", "bad number '1e'"},
        {"\n\n\"no end\n\";", "unterminated string"},
        {"\n\n<3D82AB44-62DA-11CF>", "bad GUID <3D82AB44-62DA-11CF>"},
        {"\n\n<3D82AB44-62DA-11CF-AB39-0020AF71E43", "unterminated GUID"},
        {"\n\n@", "unexpected '@'"},
        {"\n\n\x01", "unexpected byte 0x01"},
    };
    for (const auto& c : cases) {
        std::string message;
        const Seen token = OnlyToken(c.text, &message);
        EXPECT_EQ(token.kind, XTokenKind::Error) << c.text;
        EXPECT_EQ(token.line, 3u) << c.text;
        EXPECT_NE(message.find(c.message), std::string::npos) << c.text << " -> " << message;
    }
}

TEST(XTokenizer, GuidsMayHaveSpacesInsideTheirBrackets) {
    const Seen token = OnlyToken("< 3d82ab44-62da-11cf-ab39-0020af71e433 >");
    ASSERT_EQ(token.kind, XTokenKind::Guid);
    EXPECT_EQ(token.text, "3d82ab44-62da-11cf-ab39-0020af71e433");
}

TEST(XTokenizer, EndAndErrorStayPutWhateverIsAskedNext) {
    const std::string text = "a @ b";
    XTokenizer tokens(text.data(), text.data() + text.size(), 1);
    EXPECT_TRUE(tokens.Check(XTokenKind::Name));
    EXPECT_EQ(tokens.Take().kind, XTokenKind::Error);
    EXPECT_EQ(tokens.Take().kind, XTokenKind::Error);
    EXPECT_FALSE(tokens.Check(XTokenKind::Name));
    EXPECT_EQ(tokens.Peek().kind, XTokenKind::Error);

    const std::string empty = "  // only a comment";
    XTokenizer none(empty.data(), empty.data() + empty.size(), 1);
    EXPECT_EQ(none.Take().kind, XTokenKind::End);
    EXPECT_EQ(none.Take().kind, XTokenKind::End);
    EXPECT_EQ(none.RemainingBytes(), 0u);
}

TEST(XTokenizer, ExpectKeepsAMismatchAndSaysWhatItFound) {
    const std::string text = "\n}";
    XTokenizer tokens(text.data(), text.data() + text.size(), 1);
    EXPECT_FALSE(tokens.Expect(XTokenKind::Semicolon));
    EXPECT_EQ(tokens.Message(), "expected ';', found '}'");
    EXPECT_EQ(tokens.MessageLine(), 2u);
    XToken brace;
    EXPECT_TRUE(tokens.Expect(XTokenKind::CloseBrace, &brace));
    EXPECT_EQ(brace.line, 2u);
}

TEST(XTokenizer, RemainingBytesCountsTheLookAheadToken) {
    const std::string text = "a 12345";
    XTokenizer tokens(text.data(), text.data() + text.size(), 1);
    tokens.Take();
    EXPECT_EQ(tokens.RemainingBytes(), 6u);  // " 12345": nothing scanned yet
    tokens.Peek();
    EXPECT_EQ(tokens.RemainingBytes(), 5u);  // the look-ahead "12345" is not consumed
    tokens.Take();
    EXPECT_EQ(tokens.RemainingBytes(), 0u);
}
}  // namespace
