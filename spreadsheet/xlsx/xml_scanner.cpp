#include "spreadsheet/xlsx/xml_scanner.h"

#include <charconv>

#include <cstring>

#include "spreadsheet/internal/utf8.h"

namespace veltrano::spreadsheet::xml {

namespace {

constexpr std::string_view kXmlnsNamespace = "http://www.w3.org/2000/xmlns/";
// Far beyond what any part of a workbook uses; they bound the work one tag can cause.
constexpr std::size_t kMaxAttributes = 4096;
constexpr std::size_t kMaxNamespaceBindings = 1024;

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isNameStart(char c)
{
    auto u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' || u == ':' || u >= 0x80;
}

bool isNameChar(char c)
{
    auto u = static_cast<unsigned char>(c);
    return isNameStart(c) || (u >= '0' && u <= '9') || u == '-' || u == '.';
}

bool isAllSpace(std::string_view text)
{
    for (char c : text)
        if (!isSpace(c))
            return false;
    return true;
}

// Expands the entity starting at raw[pos] ('&') and advances pos past ';'.
bool expandEntity(std::string_view raw, std::size_t& pos, std::string& out)
{
    std::size_t semicolon = raw.find(';', pos);
    if (semicolon == std::string_view::npos || semicolon - pos > 12)
        return false;
    std::string_view name = raw.substr(pos + 1, semicolon - pos - 1);
    pos = semicolon + 1;
    if (name == "lt") {
        out += '<';
        return true;
    }
    if (name == "gt") {
        out += '>';
        return true;
    }
    if (name == "amp") {
        out += '&';
        return true;
    }
    if (name == "quot") {
        out += '"';
        return true;
    }
    if (name == "apos") {
        out += '\'';
        return true;
    }
    if (name.size() < 2 || name[0] != '#')
        return false;
    bool hex = name[1] == 'x';
    std::string_view digits = name.substr(hex ? 2 : 1);
    if (digits.empty())
        return false;
    char32_t value = 0;
    for (char c : digits) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        value = value * (hex ? 16 : 10) + char32_t(d);
        if (value > 0x10FFFF)
            return false;
    }
    if (value == 0)
        return false;
    utf8::append(out, value);
    return true;
}

template <bool Attribute>
bool decode(std::string_view raw, std::string& out)
{
    std::size_t pos = 0;
    while (pos < raw.size()) {
        std::size_t stop = raw.find_first_of(Attribute ? "&\r\n\t" : "&\r", pos);
        if (stop == std::string_view::npos) {
            out.append(raw.substr(pos));
            return true;
        }
        out.append(raw.substr(pos, stop - pos));
        pos = stop;
        char c = raw[pos];
        if (c == '&') {
            if (!expandEntity(raw, pos, out))
                return false;
            continue;
        }
        out += Attribute ? ' ' : '\n';
        ++pos;
        if (c == '\r' && pos < raw.size() && raw[pos] == '\n')
            ++pos;
    }
    return true;
}

bool entitiesWellFormed(std::string_view raw, std::size_t& badOffset)
{
    std::string scratch;
    std::size_t pos = raw.find('&');
    while (pos != std::string_view::npos) {
        std::size_t at = pos;
        scratch.clear();
        if (!expandEntity(raw, pos, scratch)) {
            badOffset = at;
            return false;
        }
        pos = raw.find('&', pos);
    }
    return true;
}

}  // namespace

bool decodeText(std::string_view raw, std::string& out)
{
    return decode<false>(raw, out);
}

bool decodeAttribute(std::string_view raw, std::string& out)
{
    return decode<true>(raw, out);
}

std::string attributeValue(const Attribute& attribute)
{
    std::string out;
    if (!decodeAttribute(attribute.raw, out))
        out.clear();
    return out;
}

bool isTrue(std::string_view raw)
{
    return raw == "1" || raw == "true";
}

Scanner::Scanner(std::string_view document, ScannerOptions options)
    : m_doc(document),
      m_options(options)
{
    m_attributes.reserve(8);
    if (m_doc.size() >= 3 && std::memcmp(m_doc.data(), "\xEF\xBB\xBF", 3) == 0) {
        m_pos = 3;
    } else if (m_doc.size() >= 2
               && ((m_doc[0] == '\xFE' && m_doc[1] == '\xFF') || (m_doc[0] == '\xFF' && m_doc[1] == '\xFE'))) {
        fail(0, "UTF-16 encoded XML is not supported");
    }
}

int intAttribute(const Attribute* attribute, int fallback)
{
    if (!attribute)
        return fallback;
    int value = fallback;
    auto [end, ec] = std::from_chars(attribute->raw.data(), attribute->raw.data() + attribute->raw.size(), value);
    return ec == std::errc() ? value : fallback;
}

const Attribute* Scanner::attribute(std::string_view local) const
{
    for (const auto& a : m_attributes)
        if (a.prefix.empty() && a.local == local)
            return &a;
    return nullptr;
}

const Attribute* Scanner::attribute(std::string_view uri, std::string_view local) const
{
    for (const auto& a : m_attributes)
        if (a.local == local && a.uri == uri && !a.prefix.empty())
            return &a;
    return nullptr;
}

void Scanner::appendText(std::string& out) const
{
    if (m_cdata) {
        // CDATA is literal apart from line-end normalization.
        std::size_t pos = 0;
        while (pos < m_text.size()) {
            std::size_t cr = m_text.find('\r', pos);
            if (cr == std::string_view::npos) {
                out.append(m_text.substr(pos));
                break;
            }
            out.append(m_text.substr(pos, cr - pos));
            out += '\n';
            pos = cr + 1;
            if (pos < m_text.size() && m_text[pos] == '\n')
                ++pos;
        }
        return;
    }
    decodeText(m_text, out);
}

bool Scanner::fail(std::size_t offset, std::string message)
{
    if (m_error.empty()) {
        m_error = std::move(message);
        m_errorOffset = offset;
    }
    m_token = Token::End;
    return false;
}

bool Scanner::next()
{
    if (failed())
        return false;
    if (m_pendingEnd) {
        // The synthesized end of <a/>.
        m_pendingEnd = false;
        m_token = Token::EndElement;
        m_begin = m_end;
        m_attributes.clear();
        m_emptyElement = false;
        m_tokenDepth = m_depth;
        popBindings();
        m_openElements.pop_back();
        --m_depth;
        if (m_depth == 0)
            m_rootClosed = true;
        return true;
    }
    while (m_pos < m_doc.size()) {
        if (m_doc[m_pos] == '<') {
            std::size_t before = m_pos;
            if (!readMarkup())
                return false;
            if (m_pos != before && m_token != Token::End)
                return true;
            continue;
        }
        const void* found = std::memchr(m_doc.data() + m_pos, '<', m_doc.size() - m_pos);
        std::size_t limit = found ? static_cast<const char*>(found) - m_doc.data() : m_doc.size();
        if (!readText(limit))
            return false;
        if (m_token == Token::Text)
            return true;
    }
    return finishDocument();
}

bool Scanner::finishDocument()
{
    if (!m_rootSeen)
        return fail(m_doc.size(), "no root element");
    if (m_depth > 0)
        return fail(m_doc.size(), "unexpected end of document inside <" + std::string(m_openElements.back()) + ">");
    m_token = Token::End;
    return false;
}

bool Scanner::readText(std::size_t limit)
{
    std::string_view text = m_doc.substr(m_pos, limit - m_pos);
    std::size_t start = m_pos;
    m_pos = limit;
    if (m_depth == 0) {
        if (!isAllSpace(text))
            return fail(start, "text outside the root element");
        m_token = Token::End;
        return true;
    }
    std::size_t bad = 0;
    if (!entitiesWellFormed(text, bad))
        return fail(start + bad, "malformed entity reference");
    m_token = Token::Text;
    m_tokenDepth = m_depth;
    m_text = text;
    m_cdata = false;
    m_begin = start;
    m_end = limit;
    return true;
}

bool Scanner::readMarkup()
{
    std::string_view rest = m_doc.substr(m_pos);
    m_token = Token::End;
    if (rest.starts_with("<?"))
        return skipProcessingInstruction();
    if (rest.starts_with("<!--"))
        return skipComment();
    if (rest.starts_with("<![CDATA["))
        return readCData();
    if (rest.starts_with("<!"))
        return fail(m_pos, rest.starts_with("<!DOCTYPE") ? "document type declarations are not allowed"
                                                         : "unexpected markup declaration");
    if (rest.starts_with("</"))
        return readEndTag();
    return readStartTag();
}

bool Scanner::skipProcessingInstruction()
{
    std::size_t close = m_doc.find("?>", m_pos + 2);
    if (close == std::string_view::npos)
        return fail(m_pos, "unterminated processing instruction");
    std::string_view body = m_doc.substr(m_pos + 2, close - m_pos - 2);
    if (body.starts_with("xml") && (body.size() == 3 || isSpace(body[3]))) {
        std::size_t enc = body.find("encoding");
        if (enc != std::string_view::npos) {
            std::size_t quote = body.find_first_of("\"'", enc);
            std::size_t endQuote = quote == std::string_view::npos ? quote : body.find(body[quote], quote + 1);
            if (endQuote == std::string_view::npos)
                return fail(m_pos, "malformed XML declaration");
            std::string name(body.substr(quote + 1, endQuote - quote - 1));
            for (char& c : name)
                c = char(std::tolower(static_cast<unsigned char>(c)));
            if (name != "utf-8" && name != "utf8")
                return fail(m_pos, "XML encoding \"" + name + "\" is not supported (UTF-8 only)");
        }
    }
    m_pos = close + 2;
    return true;
}

bool Scanner::skipComment()
{
    std::size_t close = m_doc.find("-->", m_pos + 4);
    if (close == std::string_view::npos)
        return fail(m_pos, "unterminated comment");
    m_pos = close + 3;
    return true;
}

bool Scanner::readCData()
{
    if (m_depth == 0)
        return fail(m_pos, "CDATA outside the root element");
    std::size_t start = m_pos + 9;
    std::size_t close = m_doc.find("]]>", start);
    if (close == std::string_view::npos)
        return fail(m_pos, "unterminated CDATA section");
    m_token = Token::Text;
    m_tokenDepth = m_depth;
    m_text = m_doc.substr(start, close - start);
    m_cdata = true;
    m_begin = m_pos;
    m_end = close + 3;
    m_pos = close + 3;
    return true;
}

bool Scanner::readName(std::size_t& pos, std::string_view& name)
{
    std::size_t start = pos;
    if (pos >= m_doc.size() || !isNameStart(m_doc[pos]))
        return fail(pos, "expected a name");
    ++pos;
    while (pos < m_doc.size() && isNameChar(m_doc[pos]))
        ++pos;
    name = m_doc.substr(start, pos - start);
    return true;
}

static void splitName(std::string_view qname, std::string_view& prefix, std::string_view& local)
{
    std::size_t colon = qname.find(':');
    if (colon == std::string_view::npos) {
        prefix = {};
        local = qname;
    } else {
        prefix = qname.substr(0, colon);
        local = qname.substr(colon + 1);
    }
}

bool Scanner::readStartTag()
{
    if (m_rootClosed)
        return fail(m_pos, "content after the root element");
    if (m_depth >= m_options.maxDepth)
        return fail(m_pos, "elements nested deeper than " + std::to_string(m_options.maxDepth));
    std::size_t start = m_pos;
    std::size_t pos = m_pos + 1;
    std::string_view qname;
    if (!readName(pos, qname))
        return false;
    splitName(qname, m_prefix, m_local);
    if (m_local.empty() || m_local.find(':') != std::string_view::npos || (m_prefix.empty() && qname.find(':') == 0))
        return fail(start, "malformed element name");
    m_qname = qname;
    if (!readAttributes(pos))
        return false;
    bool empty = false;
    if (pos < m_doc.size() && m_doc[pos] == '/') {
        empty = true;
        ++pos;
    }
    if (pos >= m_doc.size() || m_doc[pos] != '>')
        return fail(pos, "malformed start tag <" + std::string(qname) + ">");
    ++pos;
    ++m_depth;
    m_rootSeen = true;
    m_openElements.push_back(qname);
    if (!declareNamespaces())
        return false;
    if (!resolve(m_prefix, m_uri, start))
        return false;
    for (auto& a : m_attributes) {
        if (a.prefix.empty() || a.prefix == "xmlns")
            continue;
        if (!resolve(a.prefix, a.uri, a.valueOffset))
            return false;
    }
    m_token = Token::StartElement;
    m_tokenDepth = m_depth;
    m_emptyElement = empty;
    m_pendingEnd = empty;
    m_begin = start;
    m_end = pos;
    m_pos = pos;
    return true;
}

bool Scanner::readAttributes(std::size_t& pos)
{
    m_attributes.clear();
    while (true) {
        std::size_t spaceStart = pos;
        while (pos < m_doc.size() && isSpace(m_doc[pos]))
            ++pos;
        if (pos >= m_doc.size())
            return fail(pos, "unexpected end of document in a tag");
        char c = m_doc[pos];
        if (c == '/' || c == '>')
            return true;
        if (pos == spaceStart)
            return fail(pos, "expected whitespace before an attribute");
        std::string_view name;
        if (!readName(pos, name))
            return false;
        while (pos < m_doc.size() && isSpace(m_doc[pos]))
            ++pos;
        if (pos >= m_doc.size() || m_doc[pos] != '=')
            return fail(pos, "expected '=' after attribute " + std::string(name));
        ++pos;
        while (pos < m_doc.size() && isSpace(m_doc[pos]))
            ++pos;
        if (pos >= m_doc.size() || (m_doc[pos] != '"' && m_doc[pos] != '\''))
            return fail(pos, "expected a quoted value for attribute " + std::string(name));
        char quote = m_doc[pos];
        std::size_t valueStart = pos + 1;
        std::size_t valueEnd = m_doc.find(quote, valueStart);
        if (valueEnd == std::string_view::npos)
            return fail(pos, "unterminated attribute value");
        std::string_view raw = m_doc.substr(valueStart, valueEnd - valueStart);
        if (raw.find('<') != std::string_view::npos)
            return fail(valueStart + raw.find('<'), "'<' in an attribute value");
        std::size_t bad = 0;
        if (!entitiesWellFormed(raw, bad))
            return fail(valueStart + bad, "malformed entity reference");
        Attribute attribute{};
        splitName(name, attribute.prefix, attribute.local);
        if (attribute.local.empty())
            return fail(pos, "malformed attribute name");
        if (attribute.prefix.empty() && attribute.local == "xmlns") {
            attribute.prefix = "xmlns";
            attribute.local = {};
        }
        attribute.raw = raw;
        attribute.valueOffset = valueStart;
        if (m_attributes.size() >= kMaxAttributes)
            return fail(valueStart, "more than " + std::to_string(kMaxAttributes) + " attributes on one element");
        if (isDuplicateAttribute(attribute))
            return fail(valueStart, "duplicate attribute " + std::string(name));
        m_attributes.push_back(attribute);
        pos = valueEnd + 1;
    }
}

bool Scanner::isDuplicateAttribute(const Attribute& attribute)
{
    // A few attributes are compared one by one; past that a set keeps an element with
    // thousands of them from costing the square of their number.
    constexpr std::size_t kCompared = 16;
    if (m_attributes.size() < kCompared) {
        for (const auto& other : m_attributes)
            if (other.prefix == attribute.prefix && other.local == attribute.local)
                return true;
        return false;
    }
    if (m_attributes.size() == kCompared) {
        m_attributeNames.clear();
        for (const auto& other : m_attributes)
            m_attributeNames.emplace(other.prefix, other.local);
    }
    return !m_attributeNames.emplace(attribute.prefix, attribute.local).second;
}

bool Scanner::declareNamespaces()
{
    for (auto& a : m_attributes) {
        if (a.prefix != "xmlns")
            continue;
        a.uri = kXmlnsNamespace;
        std::string_view uri = a.raw;
        if (uri.find('&') != std::string_view::npos) {
            m_decodedUris.push_back(std::make_unique<std::string>());
            decodeAttribute(uri, *m_decodedUris.back());
            uri = *m_decodedUris.back();
        }
        if (!a.local.empty() && uri.empty())
            return fail(a.valueOffset, "a namespace prefix cannot be undeclared");
        // Every prefixed name is looked up through the declarations in scope.
        if (m_bindings.size() >= kMaxNamespaceBindings)
            return fail(a.valueOffset,
                        "more than " + std::to_string(kMaxNamespaceBindings) + " namespace declarations in scope");
        m_bindings.push_back({a.local, uri, m_depth});
    }
    return true;
}

bool Scanner::resolve(std::string_view prefix, std::string_view& uri, std::size_t offset)
{
    if (prefix == "xml") {
        uri = kXmlNamespace;
        return true;
    }
    for (auto it = m_bindings.rbegin(); it != m_bindings.rend(); ++it) {
        if (it->prefix == prefix) {
            uri = it->uri;
            return true;
        }
    }
    uri = {};
    if (prefix.empty() || m_options.fragment)
        return true;
    return fail(offset, "undeclared namespace prefix \"" + std::string(prefix) + "\"");
}

void Scanner::popBindings()
{
    while (!m_bindings.empty() && m_bindings.back().depth == m_depth)
        m_bindings.pop_back();
}

bool Scanner::readEndTag()
{
    std::size_t start = m_pos;
    std::size_t pos = m_pos + 2;
    std::string_view qname;
    if (!readName(pos, qname))
        return false;
    while (pos < m_doc.size() && isSpace(m_doc[pos]))
        ++pos;
    if (pos >= m_doc.size() || m_doc[pos] != '>')
        return fail(pos, "malformed end tag");
    if (m_openElements.empty() || m_openElements.back() != qname)
        return fail(start, "end tag </" + std::string(qname) + "> does not match "
                               + (m_openElements.empty() ? std::string("any open element")
                                                         : "<" + std::string(m_openElements.back()) + ">"));
    splitName(qname, m_prefix, m_local);
    m_qname = qname;
    resolve(m_prefix, m_uri, start);
    popBindings();
    m_openElements.pop_back();
    m_attributes.clear();
    m_emptyElement = false;
    m_token = Token::EndElement;
    m_tokenDepth = m_depth;
    m_begin = start;
    m_end = pos + 1;
    m_pos = pos + 1;
    --m_depth;
    if (m_depth == 0)
        m_rootClosed = true;
    return true;
}

}  // namespace veltrano::spreadsheet::xml
