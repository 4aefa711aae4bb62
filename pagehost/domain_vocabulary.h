#pragma once
// The spreadsheet and business vocabulary of one direction: the compiled dictionary additions
// and lexical-selection rules built from pagehost/data, the built-in glossary, and the user's
// own glossary from the configuration folder.

#include "pagehost/glossary.h"
#include "pagehost/mode_file.h"
#include "pagehost/workbook_fields.h"

#include <memory>
#include <optional>
#include <ostream>
#include <string>

namespace veltrano::pagehost {

struct DomainVocabulary {
    std::optional<DomainStages> stages;            // none when the compiled files are missing
    std::shared_ptr<const Glossary> glossary;      // the built-in glossary with the user's over it
    std::shared_ptr<const WorkbookFields> fields;  // null without the stages, or when the build made none
    std::string fingerprint;                       // changes whenever any of the above does
};

// The user's glossary file for a direction: $XDG_CONFIG_HOME/veltrano/glossary-en-es.tsv
// (~/.config when XDG_CONFIG_HOME is unset); it need not exist.
std::string userGlossaryPath(const std::string& sourceLanguage, const std::string& targetLanguage);

// The vocabulary of Apertium mode mode ("eng-spa") from dataDir (mode.automorf.bin,
// mode.autobil.bin, mode.autogen.bin, mode.domain.lrx.bin, mode.cg.bin, the rules mode.source.t1x and
// mode.target.t1x with their compiled .bin, mode.glossary.tsv, mode.capitals.txt, mode.fields.tsv) and the user's
// glossary. Missing compiled files and
// malformed glossary lines are described on report, one line each, and left out; loading
// never fails. The fingerprint is recorded for glossaryFingerprint.
DomainVocabulary loadDomainVocabulary(const std::string& dataDir, const std::string& mode,
                                      const std::string& sourceLanguage, const std::string& targetLanguage,
                                      std::ostream& report);

// Where the compiled vocabulary is: share/veltrano-pagehost above the running program's folder
// (build tree or installed), else where the build put it.
std::string defaultVocabularyDir();

}  // namespace veltrano::pagehost
