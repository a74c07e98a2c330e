#pragma once
// Small helpers shared by the tests.
#include <pugixml.hpp>
#include <string>

// Parses an XML snippet and returns its document; the root element is doc.first_child().
inline pugi::xml_document parseXml(const std::string& text)
{
    pugi::xml_document doc;
    doc.load_buffer(text.data(), text.size());
    return doc;
}

#ifndef BRINDLEX_TEST_DATA
#define BRINDLEX_TEST_DATA "tests/data"
#endif
