#pragma once
// Reading an Apertium mode file (one shell pipeline of programs) into argument lists that can be
// started directly, without a shell, as a pipeline kept running between requests.

#include "pagehost/outcome.h"

#include <string>
#include <string_view>
#include <vector>

namespace veltrano::pagehost {

// One program of a pipeline: argv[0] is the program name, looked up on PATH.
using ProgramCall = std::vector<std::string>;

// The programs of a mode pipeline made ready to keep running: each gets "-z" (answer every
// NUL-terminated segment at once) after its name, "$1" becomes "-n" (unknown words unmarked) and
// "$2" is dropped. A failure names the offending construct and its byte offset: shell syntax
// beyond words, quotes and "|" is refused rather than guessed at.
Outcome<std::vector<ProgramCall>> parseModePipeline(std::string_view modeText);

// parseModePipeline on the contents of the file at path; a failure when it cannot be read.
Outcome<std::vector<ProgramCall>> readModeFile(const std::string& path);

// Compiled files that fit a mode to the vocabulary of spreadsheets and business documents.
struct DomainStages {
    std::string bilingualDictionary;  // the pair's bilingual dictionary with the domain's words added
    std::string selectionRules;       // the domain's lexical-selection rules
    // Transfer rules (source .t1x and compiled) that reorder the analysed source before the
    // lookup; both empty when the direction has none.
    std::string reorderingRules;
    std::string reorderingRulesCompiled;
};

// programs with stages's dictionary in place of the one of the bilingual lookup ("lt-proc -b"),
// "lrx-proc -z rules" right before the pair's lexical selection (right after the lookup when
// the pair has none), and the reordering, if any, as "apertium-transfer -z -n" right before
// the lookup. A failure when the pipeline has no bilingual lookup.
Outcome<std::vector<ProgramCall>> withDomainStages(std::vector<ProgramCall> programs, const DomainStages& stages);

}  // namespace veltrano::pagehost
