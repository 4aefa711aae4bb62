#include "pagehost/mode_file.h"

#include "pagehost/file_text.h"

#include <algorithm>
#include <optional>

namespace veltrano::pagehost {
namespace {

// The generator flag that leaves unknown words unmarked (no '*', '#' or '@').
constexpr std::string_view kUnmarkedGeneration = "-n";
constexpr std::string_view kNullFlush = "-z";

Failure syntaxFailure(std::string_view what, std::size_t offset)
{
    return Failure{"mode file: unsupported " + std::string(what) + " at byte " + std::to_string(offset)};
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isShellOperator(char c)
{
    return c == ';' || c == '&' || c == '<' || c == '>' || c == '`' || c == '(' || c == ')';
}

// Splits the text into words and "|" separators, the way the shell would for the plain words,
// quotes and backslashes that mode files use.
class Tokenizer {
public:
    explicit Tokenizer(std::string_view text)
        : m_text(text)
    {}

    Result<std::vector<ProgramCall>> programs()
    {
        std::vector<ProgramCall> result(1);
        while (skipBlanks()) {
            if (m_text[m_pos] == '|') {
                if (result.back().empty())
                    return syntaxFailure("empty pipeline stage", m_pos);
                result.emplace_back();
                ++m_pos;
                continue;
            }
            auto word = nextWord();
            if (!word)
                return word.error();
            if (!word.value().empty() || m_lastWordQuoted)
                result.back().push_back(std::move(word.value()));
        }
        if (result.back().empty())
            return syntaxFailure(result.size() == 1 ? "empty pipeline" : "empty pipeline stage", m_pos);
        return result;
    }

private:
    bool skipBlanks()
    {
        while (m_pos < m_text.size() && isBlank(m_text[m_pos]))
            ++m_pos;
        return m_pos < m_text.size();
    }

    Result<std::string> nextWord()
    {
        std::string word;
        m_lastWordQuoted = false;
        while (m_pos < m_text.size() && !isBlank(m_text[m_pos]) && m_text[m_pos] != '|') {
            const char c = m_text[m_pos];
            if (isShellOperator(c))
                return syntaxFailure(std::string("shell operator '") + c + "'", m_pos);
            if (c == '\'') {
                if (!appendSingleQuoted(word))
                    return syntaxFailure("unterminated quote", m_pos);
            } else if (c == '"') {
                if (!appendDoubleQuoted(word))
                    return syntaxFailure("unterminated or expanding double quote", m_pos);
            } else if (c == '\\') {
                if (m_pos + 1 >= m_text.size())
                    return syntaxFailure("trailing backslash", m_pos);
                word += m_text[m_pos + 1];
                m_pos += 2;
            } else if (c == '$') {
                auto placeholder = takePlaceholder(word.empty());
                if (!placeholder)
                    return syntaxFailure("expansion", m_pos);
                word += *placeholder;
            } else {
                word += c;
                ++m_pos;
            }
        }
        return word;
    }

    bool appendSingleQuoted(std::string& word)
    {
        const auto end = m_text.find('\'', m_pos + 1);
        if (end == std::string_view::npos)
            return false;
        word.append(m_text.substr(m_pos + 1, end - m_pos - 1));
        m_pos = end + 1;
        m_lastWordQuoted = true;
        return true;
    }

    bool appendDoubleQuoted(std::string& word)
    {
        for (std::size_t i = m_pos + 1; i < m_text.size(); ++i) {
            const char c = m_text[i];
            if (c == '"') {
                m_pos = i + 1;
                m_lastWordQuoted = true;
                return true;
            }
            if (c == '$' || c == '`')
                return false;
            if (c == '\\' && i + 1 < m_text.size()
                && std::string_view("\"\\$`").find(m_text[i + 1]) != std::string_view::npos)
                ++i;
            word += m_text[i];
        }
        return false;
    }

    // "$1" (the generator's flag) and "$2" (the tagger's option) are the only expansions a mode
    // file has; each must stand as a word of its own.
    std::optional<std::string_view> takePlaceholder(bool atWordStart)
    {
        if (!atWordStart || m_pos + 1 >= m_text.size())
            return std::nullopt;
        const char digit = m_text[m_pos + 1];
        const std::size_t after = m_pos + 2;
        if (after < m_text.size() && !isBlank(m_text[after]) && m_text[after] != '|')
            return std::nullopt;
        if (digit != '1' && digit != '2')
            return std::nullopt;
        m_pos = after;
        return digit == '1' ? kUnmarkedGeneration : std::string_view();
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
    bool m_lastWordQuoted = false;
};

bool isBilingualLookup(const ProgramCall& program)
{
    return program.size() >= 3 && program[0] == "lt-proc"
           && std::find(program.begin(), program.end(), "-b") != program.end();
}

// The first program of a mode: "lt-proc" with its analyser and no mode flag of its own.
bool isAnalyser(const ProgramCall& program)
{
    return program.size() >= 2 && program[0] == "lt-proc"
           && std::none_of(program.begin() + 1, program.end(), [](const std::string& argument) {
                  return argument == "-b" || argument == "-g" || argument == "-n" || argument == "-p";
              });
}

bool isGenerator(const ProgramCall& program)
{
    return program.size() >= 3 && program[0] == "lt-proc"
           && std::any_of(program.begin() + 1, program.end(),
                          [](const std::string& argument) { return argument == "-g" || argument == "-n"; });
}

ProgramCall ruleStage(const RuleStage& stage)
{
    return {"apertium-transfer", std::string(kNullFlush), "-n", stage.rules, stage.compiled};
}

void addNullFlush(ProgramCall& program)
{
    if (std::find(program.begin() + 1, program.end(), kNullFlush) == program.end())
        program.insert(program.begin() + 1, std::string(kNullFlush));
}

}  // namespace

Result<std::vector<ProgramCall>> parseModePipeline(std::string_view modeText)
{
    auto programs = Tokenizer(modeText).programs();
    if (!programs)
        return programs;
    for (auto& program : programs.value())
        addNullFlush(program);
    return programs;
}

Result<std::vector<ProgramCall>> readModeFile(const std::string& path)
{
    const auto text = readWholeFile(path);
    if (!text)
        return Failure{"cannot read mode file " + path};
    auto programs = parseModePipeline(*text);
    if (!programs)
        return Failure{path + ": " + programs.error().message};
    return programs;
}

Result<std::vector<ProgramCall>> withDomainStages(std::vector<ProgramCall> programs, const DomainStages& stages)
{
    const auto lookup = std::find_if(programs.begin(), programs.end(), isBilingualLookup);
    if (lookup == programs.end())
        return Failure{"mode file: no bilingual lookup (lt-proc -b) to add the domain's words to"};
    lookup->back() = stages.bilingualDictionary;
    if (!stages.analyser.empty() && isAnalyser(programs.front()))
        programs.front().back() = stages.analyser;
    const auto generator = std::find_if(lookup + 1, programs.end(), isGenerator);
    if (generator == programs.end() && !stages.targetRules.rules.empty())
        return Failure{"mode file: no generator (lt-proc -n or -g) to put the target's rules before"};
    if (generator != programs.end() && !stages.generator.empty())
        generator->back() = stages.generator;
    const auto generatorAt = generator - programs.begin();
    const auto lookupAt = lookup - programs.begin();

    // Inserted from the last place to the first, so the places found above stay right.
    if (!stages.targetRules.rules.empty())
        programs.insert(programs.begin() + generatorAt, ruleStage(stages.targetRules));
    const auto pairSelection = std::find_if(programs.begin() + lookupAt + 1, programs.end(),
                                            [](const ProgramCall& program) { return program[0] == "lrx-proc"; });
    const auto selectionAt = pairSelection == programs.end() ? programs.begin() + lookupAt + 1 : pairSelection;
    programs.insert(selectionAt, ProgramCall{"lrx-proc", std::string(kNullFlush), stages.selectionRules});
    if (!stages.sourceRules.rules.empty())
        programs.insert(programs.begin() + lookupAt, ruleStage(stages.sourceRules));
    if (!stages.grammar.empty() && isAnalyser(programs.front()))
        programs.insert(programs.begin() + 1, ProgramCall{"cg-proc", std::string(kNullFlush), stages.grammar});
    return programs;
}

}  // namespace veltrano::pagehost
