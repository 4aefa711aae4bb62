#include "spreadsheet/xlsx/shared_strings.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "spreadsheet/xlsx/namespaces.h"
#include "spreadsheet/xlsx/ooxml_text.h"
#include "spreadsheet/xlsx/part_error.h"
#include "spreadsheet/xlsx/xml_scanner.h"

namespace veltrano::spreadsheet {

namespace {

void appendSi(std::string& out, const std::string& prefix, std::string_view text)
{
    out += '<';
    out += prefix;
    out += "si><";
    out += prefix;
    out += needsSpacePreserve(text) ? "t xml:space=\"preserve\">" : "t>";
    appendEncodedText(text, out);
    out += "</";
    out += prefix;
    out += "t></";
    out += prefix;
    out += "si>";
}

}  // namespace

Result<SharedStrings> SharedStrings::parse(std::string xml, const PartPlace& where)
{
    SharedStrings table;
    table.m_xml = std::move(xml);
    xml::Scanner scanner(table.m_xml);
    bool sawRoot = false;
    bool inSi = false;
    int skipDepth = 0;  // inside <rPh> or <phoneticPr>: text there is not displayed
    bool inT = false;
    std::string text;
    std::string piece;

    auto readNumber = [&](const char* name, Number& number) {
        const auto* a = scanner.attribute(name);
        if (!a)
            return;
        number.present = true;
        number.offset = a->valueOffset;
        number.length = a->raw.size();
        std::from_chars(a->raw.data(), a->raw.data() + a->raw.size(), number.value);
    };

    while (scanner.next()) {
        const int depth = scanner.depth();
        switch (scanner.token()) {
        case xml::Token::StartElement:
            if (depth == 1) {
                if (!ns::isMain(scanner.uri()) || scanner.localName() != "sst")
                    return partError(ErrorCode::Damaged, where, scanner.begin(), "root element is not <sst>");
                sawRoot = true;
                table.m_prefix = scanner.prefix().empty() ? std::string() : std::string(scanner.prefix()) + ":";
                table.m_startTagBegin = scanner.begin();
                table.m_startTagEnd = scanner.end();
                table.m_emptyElement = scanner.isEmptyElement();
                if (table.m_emptyElement)
                    table.m_endTagBegin = scanner.end() - 2;
                readNumber("count", table.m_count);
                readNumber("uniqueCount", table.m_uniqueCount);
            } else if (depth == 2 && scanner.localName() == "si") {
                inSi = true;
                text.clear();
            } else if (inSi && skipDepth == 0
                       && (scanner.localName() == "rPh" || scanner.localName() == "phoneticPr")) {
                skipDepth = depth;
            } else if (inSi && skipDepth == 0 && scanner.localName() == "t" && (depth == 3 || (depth == 4))) {
                inT = true;
            }
            break;
        case xml::Token::Text:
            if (inT) {
                piece.clear();
                scanner.appendText(piece);
                text += piece;
            }
            break;
        case xml::Token::EndElement:
            if (depth == 1) {
                if (!table.m_emptyElement)
                    table.m_endTagBegin = scanner.begin();
            } else if (skipDepth == depth) {
                skipDepth = 0;
            } else if (inT && scanner.localName() == "t") {
                inT = false;
            } else if (depth == 2 && inSi) {
                inSi = false;
                table.m_arena += utf8::sanitize(decodeEscapes(text));
                if (table.m_arena.size() > UINT32_MAX)
                    return partError(ErrorCode::TooLarge, where, scanner.begin(), "shared strings too large");
                table.m_offsets.push_back(std::uint32_t(table.m_arena.size()));
            }
            break;
        case xml::Token::End:
            break;
        }
    }
    if (scanner.failed())
        return scanError(where, scanner);
    if (!sawRoot)
        return partError(ErrorCode::Damaged, where, 0, "no <sst> element");
    return table;
}

std::string_view SharedStrings::at(std::size_t index) const
{
    std::size_t original = m_offsets.size() - 1;
    if (index >= original)
        return m_added[index - original];
    return std::string_view(m_arena).substr(m_offsets[index], m_offsets[index + 1] - m_offsets[index]);
}

std::string_view SharedStrings::Arena::store(std::string_view text)
{
    constexpr std::size_t kChunk = 1u << 20;
    if (text.empty())
        return {};
    if (text.size() > m_capacity - m_used) {
        m_capacity = std::max(kChunk, text.size());
        m_chunks.push_back(std::make_unique<char[]>(m_capacity));
        m_used = 0;
    }
    char* place = m_chunks.back().get() + m_used;
    std::memcpy(place, text.data(), text.size());
    m_used += text.size();
    return {place, text.size()};
}

std::uint32_t SharedStrings::add(std::string_view text)
{
    auto found = m_addedIndex.find(text);
    if (found != m_addedIndex.end())
        return found->second;
    auto index = std::uint32_t(size());
    std::string_view stored = m_addedArena.store(text);
    m_added.push_back(stored);
    m_addedIndex.emplace(stored, index);
    return index;
}

std::string SharedStrings::serialize(std::int64_t countDelta, std::string_view mainUri) const
{
    std::string items;
    for (const auto& text : m_added)
        appendSi(items, m_prefix, text);

    if (m_xml.empty()) {
        std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<sst xmlns=\"";
        out += mainUri;
        out += "\" count=\"" + std::to_string(std::max<std::int64_t>(countDelta, 0)) + "\" uniqueCount=\""
               + std::to_string(size()) + "\">";
        out += items;
        out += "</sst>";
        return out;
    }

    // The start tag with its counts replaced, attribute by attribute, in place.
    std::string startTag;
    std::size_t pos = m_startTagBegin;
    auto replaceNumber = [&](const Number& number, std::int64_t value) {
        startTag.append(m_xml, pos, number.offset - pos);
        startTag += std::to_string(value);
        pos = number.offset + number.length;
    };
    const Number* first = &m_count;
    const Number* second = &m_uniqueCount;
    if (first->present && second->present && second->offset < first->offset)
        std::swap(first, second);
    for (const Number* number : {first, second}) {
        if (!number->present)
            continue;
        std::int64_t value =
            number == &m_count ? std::max<std::int64_t>(m_count.value + countDelta, 0) : std::int64_t(size());
        replaceNumber(*number, value);
    }
    std::size_t startTagEnd = m_emptyElement ? m_endTagBegin : m_startTagEnd;
    startTag.append(m_xml, pos, startTagEnd - pos);

    std::string out;
    out.reserve(m_xml.size() + items.size() + 64);
    std::string_view xml = m_xml;
    out.append(xml.substr(0, m_startTagBegin));
    out += startTag;
    if (m_emptyElement) {
        out += '>';
        out += items;
        out += "</" + m_prefix + "sst>";
        out.append(xml.substr(m_startTagEnd));
    } else {
        out.append(xml.substr(m_startTagEnd, m_endTagBegin - m_startTagEnd));
        out += items;
        out.append(xml.substr(m_endTagBegin));
    }
    return out;
}

}  // namespace veltrano::spreadsheet
