"""A workbook's field (HR, hospitality, insurance...) as context for the translation of its cells.

Each terms/FIELD.tsv (and terms/general-FIELD.tsv) belongs to a field. For every direction the
build writes two things out of them:

- MODE.fields.tsv, for the page host: one line a field, "code<TAB>marker<TAB>words<TAB>cells",
  where words are the source words that tell the field, each as "word:share", the share of the
  word's terms that are the field's (those of a fifth or more), and cells the glossary's cells
  that are a word or, whole, a multiword term the field renames, which the page host leaves to
  the field's translation in its workbooks; a line with no code gives the marker of no field.
  The page host guesses a request's field from its texts' words and sends the field's marker,
  a word of its own, before each segment.
- MODE.fields.rlx, appended to the label grammar: the marker sets a variable and is taken out
  before any other rule reads the cell, and, after all the other rules, each word that takes
  another usual translation in a field (a term with the direction "field:SL-TL") has its lemma
  renamed for that field, so that the lookup finds the field's translation under the new name.
  Renamed last, the word is still itself to every other rule of the grammar.
"""
import re
from collections import defaultdict

FIELD_PREFIX = "field:"  # "field:es-en": the usual translation in a workbook of the file's field
NO_FIELD_MARKER = "vfieldnone"
NOT_FIELDS = {"general", "names"}
MIN_WORD_LETTERS = 3
MIN_SHARE = 0.2  # a word spread wider than this over the fields tells none of them


def field_of_file(stem):
    """The field code of a terms file's stem, None for the files of no field."""
    if stem in NOT_FIELDS:
        return None
    return stem.removeprefix("general-")


def letters_of(code):
    return re.sub("[^a-z]", "", code.lower())


def marker_of(code):
    return "vfield" + letters_of(code)


def lemma_in_field(lemma, code):
    """The name a word's lemma goes by in a field's workbook, in the case the lemma comes in. The
    page host knows "_vf" (kRenamedMark): a translation that shows it is made again without the field."""
    suffix = "_vf" + letters_of(code)
    return lemma + (suffix.upper() if lemma.isupper() and len(lemma) > 1 else suffix)


def case_forms(lemma):
    """The lemma as the analyser may give it: as written, with a capital, in capitals."""
    forms = [lemma, lemma[:1].upper() + lemma[1:], lemma.upper()]
    return list(dict.fromkeys(forms))


def cg_quoted(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def grammar_text(codes, renamed):
    """The grammar's part for fields. renamed: (source lemma, its tags in the bilingual
    dictionary, field code); only readings with those tags are renamed, the ones the field's
    entry translates ("profesor" as a masculine noun, not "profesora")."""
    markers = [cg_quoted("<" + marker + ">") for marker in [NO_FIELD_MARKER] + [marker_of(code) for code in codes]]
    lines = ["", "# A segment's first word names the field of the workbook its cells come from (or none);",
             "# it sets the variable the renaming below reads and is taken out before any other rule.",
             "# Each rule targets the marker itself, so that cg-proc looks only at that word.",
             f"LIST FieldMarker = {' '.join(markers)} ;",
             "BEFORE-SECTIONS"]
    for code in codes:
        lines.append(f"SETVARIABLE (field) ({letters_of(code)}) ({cg_quoted('<' + marker_of(code) + '>')}) ;")
    lines.append(f"REMVARIABLE (field) ({cg_quoted('<' + NO_FIELD_MARKER + '>')}) ;")
    lines.append("REMCOHORT FieldMarker ;")
    lines += ["", "# A word that takes another usual translation in a field's workbooks goes to the lookup",
              "# under the field's name for it, once every other rule has read it as itself. Each rule",
              "# targets the lemma alone, which cg-proc looks up, and tests the tags as context: a target",
              "# of lemma and tags together is tried on every reading and made the grammar several times",
              "# slower. A reading of another kind renamed with it finds no entry; the page host then",
              "# translates that text again without the field.",
              "AFTER-SECTIONS"]
    for lemma, tags, code in renamed:
        for form in case_forms(lemma):
            lines.append(f"SUBSTITUTE ({cg_quoted(form)}) ({cg_quoted(lemma_in_field(form, code))}) ({cg_quoted(form)}) "
                         f"IF (0 ({' '.join(tags)})) (0 (VAR:field={letters_of(code)})) ;")
    return "\n".join(lines) + "\n"


def words_of(text):
    return [w for w in re.findall(r"[^\W\d_]+", text.lower()) if len(w) >= MIN_WORD_LETTERS]


def telling_words(source_texts_by_field):
    """For each field, the words of its terms that tell it, with the share of the word's terms
    that are the field's: "room" is mostly hospitality's, a little events' and real estate's."""
    terms_of_word = defaultdict(lambda: defaultdict(int))
    for code, texts in source_texts_by_field.items():
        for text in texts:
            for word in set(words_of(text)):
                terms_of_word[word][code] += 1
    telling = defaultdict(list)
    for word, counts in sorted(terms_of_word.items()):
        total = sum(counts.values())
        for code, count in counts.items():
            if count / total >= MIN_SHARE:
                telling[code].append(f"{word}:{count / total:.2f}")
    return telling


def fields_table(codes, words_by_field, cells_left):
    """cells_left: by field, the glossary's cells the field's own translation takes over."""
    lines = [f"\t{NO_FIELD_MARKER}\t"]
    lines += [f"{code}\t{marker_of(code)}\t{' '.join(words_by_field.get(code, []))}\t{'|'.join(sorted(set(cells_left.get(code, []))))}"
              for code in codes]
    return "".join(line + "\n" for line in lines)
