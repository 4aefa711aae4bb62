#pragma once
// Reading an Apertium mode file (one shell pipeline of programs) into argument lists that can be
// started directly, without a shell, as a pipeline kept running between requests.

#include "pagehost/failure.h"

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
Result<std::vector<ProgramCall>> parseModePipeline(std::string_view modeText);

// parseModePipeline on the contents of the file at path; a failure when it cannot be read.
Result<std::vector<ProgramCall>> readModeFile(const std::string& path);

// Transfer rules run as a stage of their own ("apertium-transfer -n"): the rules and their compiled
// form, both empty when there are none.
struct RuleStage {
    std::string rules;
    std::string compiled;
};

// Compiled files that fit a mode to the vocabulary and the labels of spreadsheets.
struct DomainStages {
    std::string bilingualDictionary;  // the pair's bilingual dictionary with the domain's words added
    std::string selectionRules;       // the domain's lexical-selection rules
    std::string analyser;             // the pair's analyser with the domain's words; empty: the pair's own
    std::string generator;            // the pair's generator with the domain's words; empty: the pair's own
    std::string grammar;              // constraint grammar run on the analyses before the tagger; empty: none
    RuleStage sourceRules;            // on the analysed source, right before the lookup
    RuleStage targetRules;            // on the target's words, right before generation
};

// programs with stages's dictionaries in place of the pair's (the analyser: the first "lt-proc";
// the lookup: "lt-proc -b"; the generator: "lt-proc -n" or "-g"), "lrx-proc -z rules" right before
// the pair's lexical selection (right after the lookup when the pair has none), the grammar, when
// given, as "cg-proc -z" right after the analyser, and the rule stages, when given, as
// "apertium-transfer -z -n" right before the lookup and right before the generator. A failure when the pipeline has no bilingual lookup, or has rules for a generator
// it lacks.
Result<std::vector<ProgramCall>> withDomainStages(std::vector<ProgramCall> programs, const DomainStages& stages);

}  // namespace veltrano::pagehost
