#pragma once
// A strict, streaming XML 1.0 reader over one part held in memory. It reports each element's
// byte range so that edits can be spliced into the original bytes, resolves namespaces, and
// refuses what an untrusted part must not contain: DTDs (so no entity is ever expanded),
// encodings other than UTF-8, and absurd nesting.

#include <cstddef>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano::spreadsheet::xml {

inline constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";

struct Attribute {
    std::string_view prefix;  // "" when the attribute has none
    std::string_view local;
    std::string_view uri;     // resolved namespace; "" for unprefixed attributes
    std::string_view raw;     // value between the quotes, entities not decoded
    std::size_t valueOffset;  // byte offset of raw within the document
};

enum class Token {
    StartElement,
    EndElement,
    Text,
    End
};

struct ScannerOptions {
    int maxDepth = 256;
    // A fragment (such as one <c> element cut from a sheet) may use prefixes declared
    // outside it; they resolve to "" instead of failing.
    bool fragment = false;
};

class Scanner {
public:
    explicit Scanner(std::string_view document, ScannerOptions options = {});

    // Moves to the next token. Returns false at the end of the document or on an error
    // (then failed() is true). An empty element <a/> gives a StartElement and then an
    // EndElement whose begin() and end() are both the start tag's end.
    bool next();

    Token token() const { return m_token; }

    // Start and end elements.
    std::string_view qualifiedName() const { return m_qname; }
    std::string_view prefix() const { return m_prefix; }
    std::string_view localName() const { return m_local; }
    std::string_view uri() const { return m_uri; }
    // True for a start tag written as <a/>.
    bool isEmptyElement() const { return m_emptyElement; }
    // Nesting depth of the current element (for text, of its parent); the root is at depth 1.
    int depth() const { return m_tokenDepth; }

    // Start elements only.
    const std::vector<Attribute>& attributes() const { return m_attributes; }
    // The unprefixed attribute with this name, or nullptr.
    const Attribute* attribute(std::string_view local) const;
    // The attribute with this namespace and name, or nullptr.
    const Attribute* attribute(std::string_view uri, std::string_view local) const;

    // Byte range of the current token: the whole tag for elements, the characters for text.
    std::size_t begin() const { return m_begin; }
    std::size_t end() const { return m_end; }

    // Text tokens: appends the decoded text (entities expanded, line ends normalized to LF).
    void appendText(std::string& out) const;

    bool failed() const { return !m_error.empty(); }
    const std::string& errorMessage() const { return m_error; }
    std::size_t errorOffset() const { return m_errorOffset; }

private:
    struct Binding {
        std::string_view prefix;
        std::string_view uri;
        int depth;
    };

    bool fail(std::size_t offset, std::string message);
    bool readMarkup();
    bool readStartTag();
    bool readEndTag();
    bool readText(std::size_t limit);
    bool skipProcessingInstruction();
    bool skipComment();
    bool readCData();
    bool readName(std::size_t& pos, std::string_view& name);
    bool readAttributes(std::size_t& pos);
    bool isDuplicateAttribute(const Attribute& attribute);
    bool declareNamespaces();
    bool resolve(std::string_view prefix, std::string_view& uri, std::size_t offset);
    void popBindings();
    bool finishDocument();

    std::string_view m_doc;
    ScannerOptions m_options;
    std::size_t m_pos = 0;

    Token m_token = Token::End;
    std::string_view m_qname, m_prefix, m_local, m_uri, m_text;
    bool m_emptyElement = false;
    bool m_pendingEnd = false;
    bool m_cdata = false;
    bool m_rootSeen = false;
    bool m_rootClosed = false;
    int m_depth = 0;
    int m_tokenDepth = 0;
    std::size_t m_begin = 0, m_end = 0;

    std::vector<Attribute> m_attributes;
    std::set<std::pair<std::string_view, std::string_view>> m_attributeNames;  // of a many-attribute element
    std::vector<std::string_view> m_openElements;
    std::vector<Binding> m_bindings;
    std::vector<std::unique_ptr<std::string>> m_decodedUris;  // rare: URIs written with entities

    std::string m_error;
    std::size_t m_errorOffset = 0;
};

// Appends raw character data with entities expanded and CR/CRLF turned into LF. Returns
// false (appending nothing further) at a malformed or unknown entity.
bool decodeText(std::string_view raw, std::string& out);

// Appends an attribute value with entities expanded and whitespace normalized as XML
// requires (tab, LF, CR and CRLF each become one space). False on a malformed entity.
bool decodeAttribute(std::string_view raw, std::string& out);

// The decoded attribute value; "" when malformed.
std::string attributeValue(const Attribute& attribute);

// xsd:boolean: "1" and "true" are true, anything else false.
bool isTrue(std::string_view raw);

// The attribute's value as an int; fallback when there is no attribute or it is not one.
int intAttribute(const Attribute* attribute, int fallback);

}  // namespace veltrano::spreadsheet::xml
