// Shared set-up of the .X reader tests: the standard templates, parsing text and fixtures.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/xfile/xfile_parser.h"

class XFileTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(RegisterStandardXTemplates(&m_templates), S_OK); }

    HRESULT Parse(const std::string& text, XDocument* document) const {
        return ParseXText(text.data(), text.size(), "test.x", m_templates, document);
    }

    // "xof 0302txt 0064\n" + body: the body starts on line 2.
    HRESULT ParseBody(const std::string& body, XDocument* document) const {
        return Parse("xof 0302txt 0064\n" + body, document);
    }

    static std::string ReadFixture(const std::string& name) {
        std::ifstream in(std::string(VELMORA_SOURCE_DIR) + "/tests/data/x/" + name,
                         std::ios::binary);
        EXPECT_TRUE(in.good()) << name;
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    HRESULT ParseFixture(const std::string& name, XDocument* document) const {
        const std::string text = ReadFixture(name);
        return ParseXText(text.data(), text.size(), name.c_str(), m_templates, document);
    }

    XTemplateSet m_templates;
};
