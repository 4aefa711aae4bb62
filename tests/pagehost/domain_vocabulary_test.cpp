#include "pagehost/domain_vocabulary.h"
#include "pagehost/glossary_fingerprint.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace veltrano::pagehost {
namespace {

namespace fs = std::filesystem;

TEST(DomainVocabulary, TheFingerprintFollowsTheRulesAndGlossariesInForce)
{
    char dir[] = "/tmp/veltrano-vocabulary-XXXXXX";
    ASSERT_TRUE(mkdtemp(dir));
    const fs::path root(dir);
    fs::create_directories(root / "config/veltrano");
    for (const char* name :
         {"eng-spa.automorf.bin", "eng-spa.autobil.bin", "eng-spa.autogen.bin", "eng-spa.domain.lrx.bin",
          "eng-spa.cg.bin", "eng-spa.source.t1x", "eng-spa.source.bin", "eng-spa.target.t1x", "eng-spa.target.bin"})
        std::ofstream(root / name) << "compiled";
    std::ofstream(root / "eng-spa.glossary.tsv") << "N/A\tN/D\n";
    const char* previous = std::getenv("XDG_CONFIG_HOME");
    const std::string restore = previous ? previous : "";
    setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);

    auto load = [&](std::string& report) {
        std::ostringstream stream;
        auto vocabulary = loadDomainVocabulary(dir, "eng-spa", "en", "es", stream);
        report = stream.str();
        return vocabulary;
    };
    std::string report;
    const auto builtInOnly = load(report);
    EXPECT_TRUE(builtInOnly.stages);
    EXPECT_EQ(builtInOnly.glossary->wholeText("n/a"), "n/d");
    EXPECT_EQ(load(report).fingerprint, builtInOnly.fingerprint);

    std::ofstream(root / "config/veltrano/glossary-en-es.tsv") << "N/A\tn. d.\nno tab\n";
    const auto withUsers = load(report);
    EXPECT_EQ(withUsers.glossary->wholeText("N/A"), "N. D.");
    EXPECT_EQ(report, (root / "config/veltrano/glossary-en-es.tsv").string()
                          + ":2: expected a term, a tab and its translation\n");
    EXPECT_NE(withUsers.fingerprint, builtInOnly.fingerprint);
    EXPECT_EQ(glossaryFingerprint(Direction{"en", "es", "English to Spanish", nullptr, {}, {}}), withUsers.fingerprint);

    fs::remove(root / "eng-spa.domain.lrx.bin");
    const auto withoutRules = load(report);
    EXPECT_FALSE(withoutRules.stages);
    EXPECT_NE(report.find("translating without the domain's rules"), std::string::npos);
    EXPECT_NE(withoutRules.fingerprint, withUsers.fingerprint);

    previous ? setenv("XDG_CONFIG_HOME", restore.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
    fs::remove_all(root);
}

}  // namespace
}  // namespace veltrano::pagehost
