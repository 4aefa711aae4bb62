// Labels from 25 fields, through the real host: the held-out list measures what the vocabulary's
// tuning never saw; every list's output is checked for the debris a pipeline leaves; amounts
// written beside labels keep every digit and separator; text in the target language already
// stays; and words with an insulting sense never take it.
#include "host_process.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace veltrano::pagehost::testing {
namespace {

// The share each held-out list reaches today, a little under it: a change to the vocabulary or
// the rules that loses labels nobody tuned for fails here. Raise the floors as the lists improve.
double heldOutFloor(const std::string& direction)
{
    return direction == "en-es" ? 0.80 : 0.775;
}

struct Label {
    std::string field;
    std::string source;
    std::set<std::string> accepted;  // folded
};

std::string fold(const std::string& text)
{
    // Case and runs of spaces aside; the lists hold few accented capitals.
    std::string folded;
    std::istringstream words(text);
    for (std::string word; words >> word;)
        folded += (folded.empty() ? "" : " ") + word;
    for (auto& c : folded)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const auto& [upper, small] :
         {std::pair{"Á", "á"}, {"É", "é"}, {"Í", "í"}, {"Ó", "ó"}, {"Ú", "ú"}, {"Ñ", "ñ"}}) {
        for (auto at = folded.find(upper); at != std::string::npos; at = folded.find(upper, at))
            folded.replace(at, 2, small);
    }
    return folded;
}

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::istringstream stream(text);
    for (std::string part; std::getline(stream, part, separator);)
        parts.push_back(part);
    return parts;
}

std::vector<Label> readList(const std::string& name)
{
    std::vector<Label> labels;
    std::ifstream file(VELTRANO_SOURCE_DIR "/tests/pagehost/data/labels/" + name);
    for (std::string line; std::getline(file, line);) {
        const auto columns = split(line, '\t');
        if (columns.size() != 3)
            continue;
        Label label{columns[0], columns[1], {}};
        for (const auto& accepted : split(columns[2], '|'))
            label.accepted.insert(fold(accepted));
        labels.push_back(std::move(label));
    }
    return labels;
}

std::vector<std::string> translateAll(const HostProcess& host, const std::string& direction,
                                      const std::vector<std::string>& texts)
{
    const auto client = host.client();
    client->set_read_timeout(300);
    const ApiAnswer answer = translate(*client, direction.substr(0, 2), direction.substr(3), texts);
    EXPECT_EQ(answer.status, 200) << answer.body.dump();
    if (answer.status != 200)
        return std::vector<std::string>(texts.size());
    return answer.body.at("translations").get<std::vector<std::string>>();
}

class LabelLists : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string error;
        s_host = HostProcess::start({}, error).release();
        ASSERT_TRUE(s_host) << error;
    }
    static void TearDownTestSuite()
    {
        delete s_host;
        s_host = nullptr;
    }
    static HostProcess* s_host;
};

HostProcess* LabelLists::s_host = nullptr;

TEST_F(LabelLists, HeldOutLabelsComeOutAsPeopleWriteThem)
{
    for (const std::string direction : {"en-es", "es-en"}) {
        const auto labels = readList("heldout." + direction + ".tsv");
        ASSERT_GT(labels.size(), 500u) << direction;
        std::vector<std::string> sources;
        for (const auto& label : labels)
            sources.push_back(label.source);
        const auto translations = translateAll(*s_host, direction, sources);
        // Counted by field; the misses are not printed, so that a failure does not show the list.
        std::map<std::string, std::pair<int, int>> byField;
        int good = 0;
        for (std::size_t i = 0; i < labels.size(); ++i) {
            const bool hit = labels[i].accepted.count(fold(translations.at(i))) > 0;
            good += hit;
            byField[labels[i].field].first += hit;
            ++byField[labels[i].field].second;
        }
        std::string fields;
        for (const auto& [field, count] : byField)
            fields += "\n  " + field + ": " + std::to_string(count.first) + "/" + std::to_string(count.second);
        EXPECT_GE(good, heldOutFloor(direction) * static_cast<double>(labels.size()))
            << direction << ": " << good << " of " << labels.size() << fields;
    }
}

// What a pipeline leaves behind: its marks for unknown words, lemmas and tags of its stream,
// escapes, and spacing the source did not have.
std::string debrisIn(const std::string& source, const std::string& translation)
{
    static const std::regex marks(R"((^|[\s(])[*#@]\w|\bPrpers\b|\bprpers\b|<[a-z]+>|\\[\[\]^$/@<>{}])");
    if (std::regex_search(translation, marks) && !std::regex_search(source, marks))
        return "a mark of the pipeline";
    if (translation.find("  ") != std::string::npos && source.find("  ") == std::string::npos)
        return "a doubled space";
    for (const char* mark : {" ,", " .", " ;", " :", " )", " ?", " !"}) {
        if (translation.find(mark) != std::string::npos && source.find(mark) == std::string::npos
            && translation.find(std::string(mark) + "NET") == std::string::npos)
            return std::string("a space before '") + mark[1] + "'";
    }
    if (translation.empty() != source.empty())
        return "an empty translation";
    return {};
}

TEST_F(LabelLists, NoOutputCarriesDebris)
{
    std::map<std::string, std::vector<std::string>> texts;
    for (const std::string direction : {"en-es", "es-en"}) {
        for (const std::string set : {"dev.", "heldout."}) {
            for (const auto& label : readList(set + direction + ".tsv"))
                texts[direction].push_back(label.source);
        }
    }
    std::ifstream sentences(VELTRANO_SOURCE_DIR "/tests/pagehost/data/labels/sentences.tsv");
    for (std::string line; std::getline(sentences, line);) {
        const auto columns = split(line, '\t');
        if (columns.size() == 3)
            texts[columns[0]].push_back(columns[2]);
    }
    for (const auto& [direction, sources] : texts) {
        const auto translations = translateAll(*s_host, direction, sources);
        std::string found;
        for (std::size_t i = 0; i < sources.size(); ++i) {
            if (const auto debris = debrisIn(sources[i], translations.at(i)); !debris.empty())
                found += "\n  " + debris + ": " + sources[i] + " -> " + translations[i];
        }
        EXPECT_TRUE(found.empty()) << direction << found;
    }
}

// The numbers of a text, as runs of digits with their separators, in order of value.
std::multiset<std::string> numbersIn(const std::string& text)
{
    static const std::regex number(R"(\d(?:[\d.,]*\d)?)");
    std::multiset<std::string> numbers;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), number); it != std::sregex_iterator(); ++it)
        numbers.insert(it->str());
    return numbers;
}

TEST_F(LabelLists, AmountsAndNumbersComeThroughInTheTargetsSeparators)
{
    using Forms = std::vector<std::pair<std::string, std::string>>;  // in the source, in the translation
    const std::map<std::string, Forms> amounts = {
        {"en-es",
         {{"$1,234.56", "1.234,56"},
          {"€1,234.56", "1.234,56"},
          {"$ 1,234.56", "1.234,56"},
          {"$12.50", "12,50"},
          {"$2.5M", "2,5"},
          {"-$99.99", "99,99"},
          {"1,234,567", "1.234.567"},
          {"3.5 kg", "3,5"},
          {"12.5%", "12,5"}}},
        {"es-en",
         {{"1.234,56 €", "1,234.56"},
          {"12,50 €", "12.50"},
          {"2,5 M€", "2.5"},
          {"-99,99 €", "99.99"},
          {"1.234.567", "1,234,567"},
          {"3,5 kg", "3.5"},
          {"12,5%", "12.5"},
          {"€1.234,56", "1,234.56"}}},
    };
    for (const auto& [direction, forms] : amounts) {
        std::vector<std::string> sources;
        std::vector<std::string> expected;
        const auto labels = readList("dev." + direction + ".tsv");
        for (std::size_t i = 0; i < labels.size(); i += 8) {
            if (!numbersIn(labels[i].source).empty())
                continue;
            const auto& [form, inTarget] = forms[sources.size() % forms.size()];
            sources.push_back(sources.size() % 2 ? labels[i].source + ": " + form : form + " " + labels[i].source);
            expected.push_back(inTarget);
        }
        const auto translations = translateAll(*s_host, direction, sources);
        std::string changed;
        for (std::size_t i = 0; i < sources.size(); ++i) {
            if (numbersIn(translations.at(i)) != numbersIn(expected[i]))
                changed += "\n  " + sources[i] + " -> " + translations[i];
        }
        EXPECT_TRUE(changed.empty()) << direction << changed;
    }
}

// A workbook with text in both languages: what is in the target language already comes back as
// it is, and what is not is still translated.
TEST_F(LabelLists, TextInTheTargetLanguageAlreadyStaysAsItIs)
{
    const struct {
        std::string direction, source;
        bool stays;
    } cases[] = {
        {"es-en", "Invoice date", true},
        {"es-en", "Date of birth", true},
        {"es-en", "Wear a hard hat at all times", true},
        {"es-en", "Sin licencia", false},
        {"es-en", "Cap. aseg.", false},
        {"es-en", "Fecha de factura", false},
        {"en-es", "Sin licencia", true},
        {"en-es", "No modificar los totales", true},
        {"en-es", "Pay date", false},
        {"en-es", "Do not edit", false},
    };
    for (const auto& c : cases) {
        const auto translation = translateAll(*s_host, c.direction, {c.source}).at(0);
        EXPECT_EQ(translation == c.source, c.stays) << c.direction << ": " << c.source << " -> " << translation;
    }
}

TEST_F(LabelLists, WordsWithAnInsultingSenseTakeTheNeutralOne)
{
    const struct {
        std::string direction, source, forbidden;
    } traps[] = {
        {"es-en", "Retrasado", "retard"},
        {"es-en", "Pedido retrasado", "retard"},
        {"es-en", "El envío está retrasado", "retard"},
        {"es-en", "Atrasado", "retard"},
        {"es-en", "Pago atrasado", "retard"},
        {"es-en", "Minusválido", "handicapped"},
        {"es-en", "Plaza para minusválidos", "handicapped"},
        {"es-en", "Deficiente", "retard"},
        {"en-es", "Dummy data", "tonto"},
        {"en-es", "Pick up the order", "coger"},
        {"en-es", "Take a number", "coger"},
        {"en-es", "Delayed", "retardado"},
    };
    for (const auto& trap : traps) {
        const auto translation = translateAll(*s_host, trap.direction, {trap.source}).at(0);
        EXPECT_EQ(fold(translation).find(trap.forbidden), std::string::npos)
            << trap.direction << ": " << trap.source << " -> " << translation;
    }
}

}  // namespace
}  // namespace veltrano::pagehost::testing
