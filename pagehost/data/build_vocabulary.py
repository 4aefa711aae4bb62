#!/usr/bin/env python3
"""Builds one direction's vocabulary for the page host out of the files in pagehost/data.

    build_vocabulary.py --mode eng-spa --pair PAIR_DIR --data DATA_DIR --out OUT_DIR [--strict] [--quick]

The terminology base (terms/*.tsv) holds one term a line, English and Spanish, with its kind and
the directions it is the usual translation for, or for which it is a sense chosen only by a rule
in senses/ ("sense:es-en"), or which it takes in a workbook of its file's field ("field:es-en",
see workbook_fields.py). For the direction built here, each term's forms
are added where the pair lacks them: the source forms to the analyser, the pair of lemmas to the
bilingual dictionary, the target forms to the generator. A term whose source word the pair
already translates otherwise becomes that word's usual sense through a lexical-selection rule of
weight 1; rules written by hand (MODE.domain.lrx, senses/*.MODE.lrx) say where the context calls
for another. A sense the pair lacks is added beside the word's other translations and removed from
them by a rule of weight 1, so that only a rule of higher weight chooses it. Written to OUT_DIR: MODE.automorf.bin, MODE.autobil.bin, MODE.autogen.bin,
MODE.domain.lrx.bin, MODE.fields.tsv, MODE.glossary.tsv and MODE.capitals.txt (the target's words written in
capitals, which the page host gives back their capitals; one the language also writes in small
letters, such as TI, with the source's words in capitals that call for it). The bilingual dictionary is then
rewritten with one path per source word (refold_dictionary.py), which halves its lookup's time
and gives the same answers; --quick skips that, for checking the data or tuning it. The grammar's
part for fields goes to the work folder as fields.rlx, for cg_case_forms.py to append, and the
rules on the source (MODE.source.t1x) are written to OUT_DIR with the renamed words in their
categories.

Problems (malformed lines, a term given two usual translations, a verb the pair cannot inflect)
are reported on standard error as "file:line: why" and the line is left out; with --strict they
make the build fail.
"""
import argparse
import re
import subprocess
import sys
import unicodedata
import xml.etree.ElementTree as ElementTree
from dataclasses import dataclass, field
from pathlib import Path
from xml.sax.saxutils import escape

from refold_dictionary import refold
from workbook_fields import FIELD_PREFIX, field_of_file, fields_table, grammar_text, lemma_in_field, telling_words

LANGUAGES = {"eng-spa": ("en", "es"), "spa-eng": ("es", "en")}
KINDS = {"n.m", "n.f", "n.mf", "adj", "adv", "pr", "vblex", "np.m", "np.f", "np.cog"}
# Overrides of derived forms: English plural, past and -ing form; Spanish plural and feminine
# forms; es.number=pl for a Spanish noun used only in the plural ("horas extra", "deberes").
FORM_KEYS = ("en.pl", "en.past", "en.ing", "es.pl", "es.f", "es.fpl", "es.number")
DIRECTIONS = {"both", "en-es", "es-en"}
SENSE_PREFIX = "sense:"  # "sense:en-es": a translation that only a rule in senses/ chooses
# Words after which the rest of a multiword noun does not inflect ("point of sale", "hoja de cálculo").
ENGLISH_BREAKS = {"of", "in", "on", "for", "to", "at", "by", "with", "per", "from", "under", "and", "or"}
SPANISH_BREAKS = {"de", "del", "a", "al", "en", "por", "para", "con", "sin", "sobre", "entre", "y", "o", "e", "u"}
# The forms a verb of several words takes: its first word's forms, the rest as it is ("fill in",
# "fills in"; "dar de alta", "dé de alta"). Enclitic pronouns are left out.
VERB_TAGS = {
    "en": [["inf"], ["pres"], ["pri", "p3", "sg"], ["past"], ["pp"], ["ger"], ["pprs"], ["subs"]],
    "es": [["inf"], ["ger"]] + [["pp", g, n] for g in ("m", "f") for n in ("sg", "pl")]
          + [[t, p, n] for t in ("pri", "prs", "pii", "ifi", "fti", "cni", "pis", "fts")
             for p in ("p1", "p2", "p3") for n in ("sg", "pl")]
          + [["imp", p, n] for p, n in (("p2", "sg"), ("p3", "sg"), ("p1", "pl"), ("p2", "pl"), ("p3", "pl"))],
}
# The pair's generator of each language.
GENERATORS = {"es": "eng-spa.autogen.bin", "en": "spa-eng.autogen.bin"}


@dataclass
class Term:
    english: str
    spanish: str
    kind: str
    directions: set
    forms: dict = field(default_factory=dict)  # overrides: "en.pl", "es.pl", "es.f", "es.fpl"
    origin: str = ""
    sense_only: bool = False  # never the usual translation: chosen by a rule in senses/
    field: str = ""  # the field whose workbooks take this translation as the usual one, if only they do


@dataclass
class Problems:
    lines: list = field(default_factory=list)

    def add(self, origin, why):
        self.lines.append(f"{origin}: {why}")


# Inflection --------------------------------------------------------------------------------

def english_plural(word):
    lower = word.lower()
    if lower.endswith(("s", "x", "z", "ch", "sh")):
        return word + "es"
    if lower.endswith("y") and len(lower) > 1 and lower[-2] not in "aeiou":
        return word[:-1] + "ies"
    return word + "s"


def english_noun_plural(phrase):
    words = phrase.split(" ")
    head = len(words) - 1
    for i, word in enumerate(words):
        if i > 0 and word.lower() in ENGLISH_BREAKS:
            head = i - 1
            break
    words[head] = english_plural(words[head])
    return " ".join(words)


ACCENT_REMOVED = str.maketrans("áéíóú", "aeiou")


def without_final_accent(word):
    # "camión" -> "camion" + "es": the stress falls where it was without needing the mark.
    for i in range(len(word) - 1, -1, -1):
        if word[i] in "áéíóú":
            rest = word[i + 1:]
            if len(rest) <= 2 and all(c not in "aeiou" for c in rest):
                return word[:i] + word[i].translate(ACCENT_REMOVED) + rest
            return word
    return word


def spanish_plural(word):
    lower = word.lower()
    if not lower[-1:].isalpha():
        return word
    if lower.endswith("z"):
        return word[:-1] + "ces"
    if lower[-1] in "aeoáéó" or lower[-1] == "u":
        return word + "s"
    if lower[-1] in "iíú":
        return word + "es" if lower[-1] in "íú" else word + "s"
    if lower.endswith(("s", "x")):
        # Unstressed last syllable ("análisis", "lunes") stays; stressed ones take -es ("inglés").
        if any(c in lower[-4:] for c in "áéíóú"):
            return without_final_accent(word) + "es"
        return word if sum(c in "aeiou" for c in lower) > 1 else word + "es"
    if lower.endswith("en") and not any(c in lower for c in "áéíóú") and sum(c in "aeiou" for c in lower) > 1:
        # Stressed before the last syllable ("margen", "orden"): the plural needs the accent mark.
        return with_accent_before_last_syllable(word) + "es"
    return without_final_accent(word) + "es"


ACCENTED = str.maketrans("aeiou", "áéíóú")


def with_accent_before_last_syllable(word):
    """"margen" -> "márgen": the mark on the last vowel before the final syllable."""
    for i in range(len(word) - 3, -1, -1):
        if word[i].lower() in "aeiou":
            # In a diphthong ("resumen": u-e? no; "imagen") the strong vowel takes it; the last
            # vowel found is the syllable's nucleus here.
            return word[:i] + word[i].translate(ACCENTED) + word[i + 1:]
    return word


# Words of a multiword noun that stay as they are in its plural: "no" ("activos no corrientes"),
# also where it starts the term ("no conformidades", never "nos conformidades"),
# and nouns set beside another as a qualifier ("horas extra", "fechas límite", "palabras clave").
SPANISH_INVARIABLE = {"no", "extra", "límite", "clave", "base", "tipo", "modelo", "piloto", "estrella", "cero",
                      "récord", "mínimo", "máximo", "sí"}


def spanish_phrase_plural(phrase):
    words = phrase.split(" ")
    out = []
    inflecting = True
    for i, word in enumerate(words):
        if i > 0 and word.lower() in SPANISH_BREAKS:
            inflecting = False
        keep = not inflecting or (i > 0 and word.lower() in SPANISH_INVARIABLE) or word.lower() == "no" or word.isupper()
        out.append(word if keep else spanish_plural(word))
    return " ".join(out)


def spanish_feminine(word):
    lower = word.lower()
    if lower.endswith("o"):
        return word[:-1] + "a"
    if lower.endswith(("or", "ón", "án", "ín")):
        return without_final_accent(word) + "a"
    return None  # same form for both genders


def spanish_adjective_forms(term):
    """(surface, gender, number) of a Spanish adjective."""
    lemma = term.spanish
    if " " in lemma and "es.f" not in term.forms:
        # An adjective of one form for both genders before what completes it ("pendiente de
        # pago", "conforme a norma") takes the plural on itself ("pendientes de pago"); other
        # phrases ("en curso", "sin asignar", "de guardia") stay as they are.
        words = lemma.lower().split(" ")
        plural = lemma
        if words[0].endswith("e") and words[0] not in SPANISH_BREAKS and words[1] in SPANISH_BREAKS:
            plural = spanish_phrase_plural(lemma)
        return [(lemma, "mf", "sg"), (term.forms.get("es.pl", plural), "mf", "pl")]
    feminine = term.forms.get("es.f", spanish_feminine(lemma) if " " not in lemma else None)
    plural = term.forms.get("es.pl", spanish_plural(lemma))
    if feminine is None:
        return [(lemma, "mf", "sg"), (plural, "mf", "pl")]
    return [(lemma, "m", "sg"), (feminine, "f", "sg"), (plural, "m", "pl"),
            (term.forms.get("es.fpl", feminine + "s"), "f", "pl")]


def spanish_noun_gender(term):
    return term.kind.split(".")[1]


# Forms of a term on each side: (surface, lemma, tags) ------------------------------------------

def verb_phrase_forms(lemma, language, generated):
    """The forms of a verb of several words from its first word's; generated maps (word, tags) to
    the pair's form of it, or None."""
    head, _, rest = lemma.partition(" ")
    forms = []
    for tags in VERB_TAGS[language]:
        surface = generated.get((head, tuple(["vblex"] + tags)))
        if surface:
            forms.append((surface + " " + rest, lemma, ["vblex"] + tags))
    return forms


def english_third_person(verb):
    lower = verb.lower()
    if lower.endswith(("s", "x", "z", "ch", "sh", "o")):
        return verb + "es"
    if lower.endswith("y") and len(lower) > 1 and lower[-2] not in "aeiou":
        return verb[:-1] + "ies"
    return verb + "s"


def english_regular_verb(term):
    """The forms of an English verb the pair does not know, made as regular verbs make them."""
    verb = term.english
    lower = verb.lower()
    if lower.endswith("e"):
        past, ing = verb + "d", (verb if lower.endswith(("ee", "ye", "oe")) else verb[:-1]) + "ing"
    elif lower.endswith("y") and len(lower) > 1 and lower[-2] not in "aeiou":
        past, ing = verb[:-1] + "ied", verb + "ing"
    else:
        past, ing = verb + "ed", verb + "ing"
    past, ing = term.forms.get("en.past", past), term.forms.get("en.ing", ing)
    forms = {("inf",): verb, ("pres",): verb, ("pri", "p3", "sg"): english_third_person(verb), ("past",): past,
             ("pp",): past, ("ger",): ing, ("pprs",): ing, ("subs",): ing}
    return [(surface, verb, ["vblex"] + list(tags)) for tags, surface in forms.items()]


# A regular -ar verb's endings by tags; the stem takes them as they are, but for the spelling
# that keeps its last consonant's sound before e (buscar: busque, pagar: pague, cruzar: cruce).
SPANISH_AR_ENDINGS = {
    ("inf",): "ar", ("ger",): "ando",
    ("pp", "m", "sg"): "ado", ("pp", "f", "sg"): "ada", ("pp", "m", "pl"): "ados", ("pp", "f", "pl"): "adas",
}
for tense, endings in {"pri": "o as a amos áis an", "prs": "e es e emos éis en", "pii": "aba abas aba ábamos abais aban",
                       "ifi": "é aste ó amos asteis aron", "fti": "aré arás ará aremos aréis arán",
                       "cni": "aría arías aría aríamos aríais arían", "pis": "ara aras ara áramos arais aran",
                       "fts": "are ares are áremos areis aren"}.items():
    for (person, number), ending in zip([(p, n) for n in ("sg", "pl") for p in ("p1", "p2", "p3")], endings.split()):
        SPANISH_AR_ENDINGS[(tense, person, number)] = ending
SPANISH_AR_ENDINGS.update({("imp", "p2", "sg"): "a", ("imp", "p3", "sg"): "e", ("imp", "p1", "pl"): "emos",
                           ("imp", "p2", "pl"): "ad", ("imp", "p3", "pl"): "en"})
SOFT_BEFORE_E = {"c": "qu", "g": "gu", "z": "c"}


def spanish_regular_verb(term):
    """The forms of a Spanish -ar verb of one word the pair does not know (reprogramar), made as
    regular -ar verbs make them; none for other verbs, which the build reports."""
    verb = term.spanish
    if " " in verb or not verb.endswith("ar") or len(verb) < 4:
        return []
    stem = verb[:-2]
    forms = []
    for tags, ending in SPANISH_AR_ENDINGS.items():
        head = stem
        if ending[0] in "eé" and stem[-1] in SOFT_BEFORE_E:
            head = stem[:-1] + SOFT_BEFORE_E[stem[-1]]
        forms.append((head + ending, verb, ["vblex"] + list(tags)))
    return forms


def name_tags(term, language):
    """A name's tags, as the pair writes them: a given name with its gender ("np.m": Mark<np><ant><m>),
    a surname ("np.cog") as English writes it, or for both genders as Spanish does."""
    kind = term.kind.split(".")[1]
    if kind == "cog":
        return ["np", "cog"] + (["mf"] if language == "es" else [])
    return ["np", "ant", kind]


def english_forms(term, generated):
    lemma = term.english
    if term.kind.startswith("np."):
        return [(lemma, lemma, name_tags(term, "en") + ["sg"])]
    if term.kind == "vblex":
        if " " in lemma:
            return verb_phrase_forms(lemma, "en", generated)
        known = generated.get((lemma, ("vblex", "inf")))
        return [] if known else english_regular_verb(term)
    if term.kind.startswith("n."):
        return [(lemma, lemma, ["n", "sg"]), (term.forms.get("en.pl", english_noun_plural(lemma)), lemma, ["n", "pl"])]
    if term.kind == "adj":
        return [(lemma, lemma, ["adj"])]
    if term.kind in ("adv", "pr"):
        return [(lemma, lemma, [term.kind])]
    return []


def with_ampersand(surface, language):
    """A term's words joined by "&" instead of "and" or "y", as sheets often write them ("Profit
    & loss", "Términos & condiciones"): the same term, so that the "&" does not split it."""
    conjunction = " and " if language == "en" else " y "
    return surface.replace(conjunction, " & ")


def plural_only(term):
    return term.forms.get("es.number") == "pl"


def spanish_forms(term, generated):
    lemma = term.spanish
    if term.kind.startswith("np."):
        return [(lemma, lemma, name_tags(term, "es") + ["sg"])]
    if term.kind == "vblex":
        if " " in lemma:
            return verb_phrase_forms(lemma, "es", generated)
        return [] if generated.get((lemma, ("vblex", "inf"))) else spanish_regular_verb(term)
    if term.kind.startswith("n.") and plural_only(term):
        # Written as it is used ("horas extra"): the plural is the form, and the lemma.
        return [(lemma, lemma, ["n", spanish_noun_gender(term), "pl"])]
    if term.kind.startswith("n."):
        gender = spanish_noun_gender(term)
        plural = term.forms.get("es.pl", spanish_phrase_plural(lemma))
        number_of_plural = "sp" if plural == lemma else "pl"
        if number_of_plural == "sp":
            return [(lemma, lemma, ["n", gender, "sp"])]
        return [(lemma, lemma, ["n", gender, "sg"]), (plural, lemma, ["n", gender, "pl"])]
    if term.kind == "adj":
        return [(surface, lemma, ["adj", gender, number]) for surface, gender, number in spanish_adjective_forms(term)]
    if term.kind == "pr":
        # A preposition that ends in "de" or "a" joins the article after it ("al final del
        # turno"): the pair's generator marks that word for the post-generator with "~".
        words = lemma.split(" ")
        if words[-1] in ("de", "a"):
            words[-1] = "~" + words[-1]
        return [(" ".join(words), lemma, ["pr"])]
    if term.kind == "adv":
        return [(lemma, lemma, [term.kind])]
    return []


def bilingual_tags(term, language):
    """The tags a term's lemma carries in the bilingual dictionary on one side."""
    if term.kind.startswith("np."):
        return name_tags(term, language)
    if term.kind.startswith("n."):
        return ["n", spanish_noun_gender(term)] if language == "es" else ["n"]
    if term.kind == "adj":
        if language == "es" and any(g == "mf" for _, g, _ in spanish_adjective_forms(term)):
            return ["adj", "mf"]
        return ["adj"]
    return [term.kind]


def verb_heads(terms, language):
    """(word, tags) of every form the verbs' first words may take (of one word: whether the pair
    knows the verb)."""
    heads = {(t.english if language == "en" else t.spanish).split(" ")[0] for t in terms if t.kind == "vblex"}
    return [(head, tuple(["vblex"] + tags)) for head in sorted(heads) for tags in VERB_TAGS[language]]


def lookup_tags(term, language):
    """Full tags of one analysis of the lemma, for asking the pair's bilingual dictionary."""
    if term.kind.startswith("np."):
        return name_tags(term, language) + ["sg"]
    if term.kind.startswith("n."):
        number = "pl" if plural_only(term) else "sg"
        return ["n", spanish_noun_gender(term), number] if language == "es" else ["n", "sg"]
    if term.kind == "adj":
        return bilingual_tags(term, language) + (["sg"] if language == "es" else [])
    if term.kind == "vblex":
        return ["vblex", "inf"]
    return [term.kind]


# Reading the terminology base ----------------------------------------------------------------

def clean_text(text, origin, problems):
    if "\0" in text or any(unicodedata.category(c) == "Cc" for c in text):
        problems.add(origin, "control character in a term")
        return None
    if text != text.strip() or "  " in text or not text:
        problems.add(origin, "empty term or stray spaces")
        return None
    if any(c in "<>^$/[]{}\\@#" for c in text):
        problems.add(origin, "a term may not hold < > ^ $ / [ ] { } \\ @ #")
        return None
    return text


def read_terms(paths, problems):
    terms = []
    for path in paths:
        for number, line in enumerate(path.read_text(encoding="utf-8").split("\n"), start=1):
            origin = f"{path.name}:{number}"
            if not line.strip() or line.startswith("#"):
                continue
            columns = line.split("\t")
            if len(columns) not in (4, 5):
                problems.add(origin, "expected english, spanish, kind, direction and optional forms, tab-separated")
                continue
            english = clean_text(columns[0], origin, problems)
            spanish = clean_text(columns[1], origin, problems)
            kind, direction = columns[2].strip(), columns[3].strip()
            if english is None or spanish is None:
                continue
            if kind not in KINDS:
                problems.add(origin, f"unknown kind {kind!r} (one of {', '.join(sorted(KINDS))})")
                continue
            sense_only = direction.startswith(SENSE_PREFIX)
            field_only = direction.startswith(FIELD_PREFIX)
            direction = direction.removeprefix(SENSE_PREFIX).removeprefix(FIELD_PREFIX)
            if direction not in DIRECTIONS:
                problems.add(origin, f"unknown direction {direction!r} (both, en-es or es-en, "
                                     f"each also after {SENSE_PREFIX!r} or {FIELD_PREFIX!r})")
                continue
            if field_only and (field_of_file(path.stem) is None or kind.startswith("np.")):
                problems.add(origin, f"{FIELD_PREFIX!r} is for a word of a field's own terms file, not a name")
                continue
            forms = {}
            if len(columns) == 5 and columns[4].strip():
                for item in columns[4].split(";"):
                    key, _, value = item.partition("=")
                    if key.strip() not in FORM_KEYS or not value.strip():
                        problems.add(origin, f"bad form {item!r} ({'=, '.join(FORM_KEYS)}=)")
                        forms = None
                        break
                    # A form is written as a term is ("en.pl=not awarded# a note" is a slip).
                    if clean_text(value.strip(), origin, problems) is None:
                        forms = None
                        break
                    forms[key.strip()] = value.strip()
                if forms is None:
                    continue
            directions = {"en-es", "es-en"} if direction == "both" else {direction}
            terms.append(Term(english, spanish, kind, directions, forms, origin, sense_only,
                              field_of_file(path.stem) if field_only else ""))
    return terms


# Asking the pair's compiled dictionaries -----------------------------------------------------

def run_lt_proc(flag, binary, lines):
    if not lines:
        return []
    args = ["lt-proc"] + ([flag] if flag else []) + [str(binary)]
    text = "".join(line + "\n" for line in lines)
    output = subprocess.run(args, input=text.encode(), capture_output=True, check=True).stdout.decode()
    answers = output.split("\n")
    return answers[:len(lines)]


def stream_escape(text):
    return "".join("\\" + c if c in "[]\\^$/@<>{}" else c for c in text)


def unit(lemma, tags):
    return "^" + stream_escape(lemma) + "".join(f"<{t}>" for t in tags) + "$"


def analyses(binary, surfaces):
    """For each surface, the set of (lemma, tags) the analyser gives it as one unit."""
    result = {}
    answers = run_lt_proc(None, binary, [stream_escape(s) for s in surfaces])
    for surface, answer in zip(surfaces, answers):
        found = set()
        if answer.startswith("^") and answer.endswith("$") and answer.count("^") == 1:
            for reading in answer[1:-1].split("/")[1:]:
                if reading.startswith("*"):
                    continue  # unknown to the analyser
                lemma, _, tags = reading.partition("<")
                found.add((lemma.lower(), "<" + tags if tags else ""))
        result[surface] = found
    return result


def generated_forms(binary, queries):
    """For each (lemma, tags), the form the generator gives, or None when it has none."""
    answers = run_lt_proc("-g", binary, [unit(lemma, tags) for lemma, tags in queries])
    return {query: None if answer.startswith("#") or not answer else answer for query, answer in zip(queries, answers)}


def generates(binary, queries):
    return {query: form is not None for query, form in generated_forms(binary, queries).items()}


def bilingual_readings(binary, queries):
    """For each (lemma, tags), the translations the bilingual dictionary gives it, as (lemma,
    tags) with the tags it gives them."""
    answers = run_lt_proc("-b", binary, [unit(lemma, tags) for lemma, tags in queries])
    result = {}
    for query, answer in zip(queries, answers):
        readings = answer.strip("^$").split("/")[1:] if answer.startswith("^") else []
        result[query] = [(r.partition("<")[0], [t.rstrip(">") for t in r.partition("<")[2].split("<") if t])
                         for r in readings if r and not r.startswith("@")]
    return result


def translations(binary, queries):
    """For each (lemma, tags), the lemmas the bilingual dictionary gives it."""
    return {query: [lemma for lemma, _ in found] for query, found in bilingual_readings(binary, queries).items()}


# Writing the additions ------------------------------------------------------------------------

def dix_side(text, tags=()):
    return escape(text).replace(" ", "<b/>") + "".join(f'<s n="{t}"/>' for t in tags)


def write_dix(path, entries, tags_used, source_first=False):
    """entries: (left text, left tags, right text, right tags). source_first, for a bilingual
    dictionary: each entry as its whole source and then its whole target. Written as one pair,
    each source letter is paired with a target letter, and a lookup follows every term that
    starts with the same letters but translates otherwise; this way the terms share their source
    paths and the lookup takes about half the time, with the same translations."""
    letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyzÁÉÍÓÚÜÑáéíóúüñ"
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', "<dictionary>", f"  <alphabet>{letters}</alphabet>", "  <sdefs>"]
    lines += [f'    <sdef n="{t}"/>' for t in sorted(tags_used)]
    lines += ["  </sdefs>", '  <section id="veltrano-terms" type="standard">']
    for left, left_tags, right, right_tags in entries:
        left_side, right_side = dix_side(left, left_tags), dix_side(right, right_tags)
        pairs = (f"<p><l>{left_side}</l><r/></p><p><l/><r>{right_side}</r></p>" if source_first
                 else f"<p><l>{left_side}</l><r>{right_side}</r></p>")
        lines.append(f"    <e>{pairs}</e>")
    lines += ["  </section>", "</dictionary>", ""]
    path.write_text("\n".join(lines), encoding="utf-8")


def compile_appended(direction, pair_binary, dix, out_binary, work):
    own = work / (dix.stem + ".bin")
    subprocess.run(["lt-comp", direction, str(dix), str(own)], check=True, capture_output=True)
    subprocess.run(["lt-append", str(pair_binary), str(own), str(out_binary)], check=True, capture_output=True)


def with_renamed_context(rule, renamed):
    """Each context word of a selection rule that a field renames matches its new names as well,
    so that the rule still reads it in that field's workbooks ("Subir la nota")."""
    def alternatives(match):
        lemma = match.get("lemma", "").lower()
        if match.find("select") is not None or match.find("remove") is not None or lemma not in renamed:
            return []
        copies = []
        for name in renamed[lemma]:
            copy = ElementTree.Element("match", dict(match.attrib))
            copy.set("lemma", name)
            copies.append(copy)
        return copies
    for index, child in enumerate(list(rule)):
        if child.tag == "or":
            for match in list(child):
                child.extend(alternatives(match))
        elif child.tag == "match" and alternatives(child):
            either = ElementTree.Element("or")
            either.extend([child] + alternatives(child))
            rule.remove(child)
            rule.insert(index, either)


# One direction ---------------------------------------------------------------------------------

class DirectionBuild:
    def __init__(self, mode, pair, data, out, work, problems, refold=True):
        self.mode, self.pair, self.data, self.out, self.work, self.problems = mode, pair, data, out, work, problems
        self.refold = refold
        self.source, self.target = LANGUAGES[mode]
        self.work.mkdir(parents=True, exist_ok=True)

    def side(self, term, language):
        return term.english if language == "en" else term.spanish

    def forms(self, term, language):
        return english_forms(term, self.verbs) if language == "en" else spanish_forms(term, self.verbs)

    def build(self, all_terms):
        terms = [t for t in all_terms if self.mode_key() in t.directions]
        in_fields = [t for t in terms if t.field]
        terms = [t for t in terms if not t.field]
        usual = self.usual_terms([t for t in terms if not t.sense_only])
        terms = usual + self.sense_terms([t for t in terms if t.sense_only], usual)
        self.verbs = {}
        for language in (self.source, self.target):
            self.verbs.update(generated_forms(self.pair / GENERATORS[language], verb_heads(terms + in_fields, language)))
        self.build_analyser(terms)
        bilingual, defaults, removed = self.bilingual_entries(terms)
        self.build_generator(terms + in_fields)
        self.build_bilingual(bilingual + [self.field_entry(t) for t in in_fields])
        self.build_glossary()
        renamed = self.build_fields(all_terms, in_fields)
        self.build_selection(defaults, removed, renamed)
        self.build_source_rules(renamed)
        self.build_capital_words(terms)

    def mode_key(self):
        return f"{self.source}-{self.target}"

    def usual_terms(self, terms):
        """One usual translation per source word and kind; a second is a problem."""
        chosen, kept = {}, []
        for term in terms:
            key = (self.side(term, self.source).lower(), term.kind.split(".")[0])
            other = chosen.get(key)
            if other and self.side(other, self.target) != self.side(term, self.target):
                self.problems.add(term.origin, f"{key[0]!r} already translates as {self.side(other, self.target)!r} "
                                               f"in {self.mode_key()} ({other.origin})")
                continue
            if other:
                continue
            chosen[key] = term
            kept.append(term)
        return kept

    def sense_terms(self, senses, usual):
        """The senses that add a translation: not one a usual term already gives, each once."""
        given = {self.sense_key(t) for t in usual}
        kept = []
        for term in senses:
            if self.sense_key(term) not in given:
                given.add(self.sense_key(term))
                kept.append(term)
        return kept

    def sense_key(self, term):
        return (self.side(term, self.source).lower(), term.kind.split(".")[0], self.side(term, self.target).lower())

    def build_analyser(self, terms):
        # The post-generator's marks ("~de") are for generating; a text never holds them.
        wanted = [(surface.replace("~", ""), lemma, tags) for term in terms for surface, lemma, tags in self.forms(term, self.source)]
        wanted += [(with_ampersand(surface, self.source), lemma, tags) for surface, lemma, tags in wanted
                   if with_ampersand(surface, self.source) != surface]
        known = analyses(self.pair / f"{self.mode}.automorf.bin", sorted({s for s, _, _ in wanted}))
        entries, tags_used, seen = [], set(), set()
        for surface, lemma, tags in wanted:
            reading = (lemma.lower(), "".join(f"<{t}>" for t in tags))
            if reading in known.get(surface, set()) or (surface, reading) in seen:
                continue
            seen.add((surface, reading))
            entries.append((surface, [], lemma, tags))
            tags_used.update(tags)
        verbs = [t for t in terms if t.kind == "vblex"]
        readings = analyses(self.pair / f"{self.mode}.automorf.bin", [self.side(t, self.source) for t in verbs])
        for term in verbs:
            word = self.side(term, self.source)
            lemmas = {lemma for lemma, tags in readings.get(word, set()) if tags.startswith("<vblex>")}
            head = word.split(" ")[0]
            known = word.lower() in lemmas or any(form for (h, _), form in self.verbs.items() if h == head)
            if not known and self.source == "es" and not spanish_regular_verb(term):
                self.problems.add(term.origin, f"the pair does not know the verb {head!r}")
        dix = self.work / "analyser.dix"
        write_dix(dix, entries, tags_used)
        compile_appended("lr", self.pair / f"{self.mode}.automorf.bin", dix, self.out / f"{self.mode}.automorf.bin", self.work)

    def build_generator(self, terms):
        wanted = [f for term in terms for f in self.forms(term, self.target)]
        known = generates(self.pair / f"{self.mode}.autogen.bin", sorted({(lemma, tuple(tags)) for _, lemma, tags in wanted}))
        entries, tags_used, seen = [], set(), set()
        for surface, lemma, tags in wanted:
            if known.get((lemma, tuple(tags))) or (lemma, tuple(tags)) in seen:
                continue
            seen.add((lemma, tuple(tags)))
            entries.append((surface, [], lemma, tags))
            tags_used.update(tags)
        verbs = [t for t in terms if t.kind == "vblex" and " " not in self.side(t, self.target) and self.target == "es"]
        known_verbs = generates(self.pair / f"{self.mode}.autogen.bin",
                                [(self.side(t, self.target), ("vblex", "inf")) for t in verbs])
        for term in verbs:
            if not known_verbs[(self.side(term, self.target), ("vblex", "inf"))] and not spanish_regular_verb(term):
                self.problems.add(term.origin, f"the pair's generator cannot inflect the verb {self.side(term, self.target)!r}")
        dix = self.work / "generator.dix"
        write_dix(dix, entries, tags_used)
        compile_appended("rl", self.pair / f"{self.mode}.autogen.bin", dix, self.out / f"{self.mode}.autogen.bin", self.work)

    def invariable_source_noun(self, term):
        """A Spanish source noun whose plural is its singular ("análisis", "Nº"): the pair may
        list it with its number, which a lookup must then name."""
        return (self.source == "es" and term.kind.startswith("n.")
                and any(tags[-1] == "sp" for _, _, tags in spanish_forms(term, {})))

    def plural_only_entries(self, term):
        """A Spanish noun used only in the plural names its number on the Spanish side, and the
        English singular or plural it stands for, as the pair writes "homework" - "deberes". From
        Spanish, its singular is looked up too: the rules that make a compound put the noun after
        "de" in the singular ("Registro de existencias": Stock register), a form the analyser never
        gives such a noun otherwise."""
        spanish = (term.spanish, ["n", spanish_noun_gender(term), "pl"])
        if self.source == "es":
            return [(spanish[0], spanish[1], term.english, ["n", "sg"]),
                    (spanish[0], spanish[1][:2] + ["sg"], term.english, ["n", "sg"])]
        return [(term.english, ["n", number], spanish[0], spanish[1]) for number in ("sg", "pl")]

    def bilingual_entries(self, terms):
        queries = [(self.side(t, self.source), tuple(lookup_tags(t, self.source))) for t in terms]
        invariable = [(self.side(t, self.source), ("n", spanish_noun_gender(t), "sp")) for t in terms
                      if self.invariable_source_noun(t)]
        numbered = []
        for t in terms:
            if t.kind.startswith("n.") and not plural_only(t):
                for number in self.numbers_of(t):
                    tags = ("n", "sg" if number == "sp" else number) if self.source == "en" else \
                        ("n", spanish_noun_gender(t), number)
                    numbered.append((self.side(t, self.source), tags))
        pair_readings = bilingual_readings(self.pair / f"{self.mode}.autobil.bin", numbered)
        known = translations(self.pair / f"{self.mode}.autobil.bin", queries + invariable)
        entries, defaults, removed = [], [], []
        usual_words = {self.sense_key(t)[:2] for t in terms if not t.sense_only}
        sensed_words = {self.sense_key(t)[:2] for t in terms if t.sense_only}
        for term, query in zip(terms, queries):
            target = self.side(term, self.target)
            existing = [lemma.lower() for lemma in known.get(query, [])]
            if self.invariable_source_noun(term):
                sp = (query[0], ("n", spanish_noun_gender(term), "sp"))
                existing += [lemma.lower() for lemma in known.get(sp, []) if lemma.lower() not in existing]
            if target.lower() not in existing and plural_only(term):
                entries += self.plural_only_entries(term)
            elif target.lower() not in existing:
                entries.append((self.side(term, self.source), bilingual_tags(term, self.source),
                                target, bilingual_tags(term, self.target)))
                entries += self.numbered_noun_entries(term, pair_readings)
            elif self.pair_gives_other_gender(term, pair_readings):
                entries += self.numbered_noun_entries(term, pair_readings)
            if term.sense_only:
                if target.lower() in existing or self.sense_key(term)[:2] in usual_words:
                    continue  # the pair offers it already, or the usual term's rule sets it aside
                if not existing:
                    self.problems.add(term.origin, f"a sense of {self.side(term, self.source)!r} needs a usual "
                                                   f"translation in {self.mode_key()}: give one as a term")
                    continue
                removed.append((self.side(term, self.source), term.kind.split(".")[0], target))
            elif (existing and existing != [target.lower()]) or self.sense_key(term)[:2] in sensed_words:
                # A word with a sense beside it needs its usual one chosen, even one the pair lacked.
                defaults.append((self.side(term, self.source), term.kind.split(".")[0], target))
        return entries, defaults, removed

    def numbered_noun_entries(self, term, pair_readings):
        """A noun's entries that name its number as well. The lookup gives only the translations
        of the entries that match most of a word's tags: where the pair lists a noun with its
        number (diagnosis<n><sg>, Nº<n><m><sp>), an entry without it would never be offered. The
        pair's own translations get such entries too, so that a sense rule can still choose
        them (guest: huésped, or invitado after "wedding")."""
        if not term.kind.startswith("n."):
            return []
        gender = spanish_noun_gender(term)
        made = []
        for number in self.numbers_of(term):
            english, spanish = ["n", "sg" if number == "sp" else number], ["n", gender, number]
            source_tags, target_tags = (english, spanish) if self.source == "en" else (spanish, english)
            made.append((self.side(term, self.source), source_tags, self.side(term, self.target), target_tags))
            for lemma, tags in pair_readings.get((self.side(term, self.source), tuple(source_tags)), []):
                if lemma.lower() != self.side(term, self.target).lower() and tags:
                    made.append((self.side(term, self.source), source_tags, lemma, tags))
        return made

    def pair_gives_other_gender(self, term, pair_readings):
        """The pair gives a noun the term's Spanish word with the other gender (event: evento as
        feminine), so that its articles and adjectives disagree and its plural is not generated;
        entries that name the number come before the pair's and give the term's gender."""
        if self.target != "es" or term.kind not in ("n.m", "n.f") or plural_only(term):
            return False
        gender = spanish_noun_gender(term)
        return any(lemma.lower() == term.spanish.lower() and len(tags) > 1 and tags[1] in ("m", "f") and tags[1] != gender
                   for lemma, tags in pair_readings.get((term.english, ("n", "sg")), []))

    def numbers_of(self, term):
        return ["sg", "pl"] + (["sp"] if self.invariable_source_noun(term) else [])

    def build_bilingual(self, entries):
        own = self.data / f"{self.mode}.domain.dix"
        dix = self.work / "bilingual.dix"
        tags_used = {t for e in entries for t in e[1] + e[3]}
        write_dix(dix, entries, tags_used, source_first=True)
        with_domain = self.work / "pair-and-domain.autobil.bin"
        compile_appended("lr", self.pair / f"{self.mode}.autobil.bin", own, with_domain, self.work)
        out = self.out / f"{self.mode}.autobil.bin"
        if not self.refold:
            compile_appended("lr", with_domain, dix, out, self.work)
            return
        appended = self.work / "appended.autobil.bin"
        compile_appended("lr", with_domain, dix, appended, self.work)
        refold(appended, out, self.work / "refold")

    def field_entry(self, term):
        return (lemma_in_field(self.side(term, self.source), term.field), bilingual_tags(term, self.source),
                self.side(term, self.target), bilingual_tags(term, self.target))

    def build_fields(self, all_terms, in_fields):
        """MODE.fields.tsv and MODE.fields.rlx (workbook_fields.py), renaming only the words whose
        renamed lemma the lookup then translates in every reading the analyser gives them."""
        texts = {}
        for term in all_terms:
            code = field_of_file(term.origin.split(":")[0].removesuffix(".tsv"))
            if code:
                texts.setdefault(code, []).append(self.side(term, self.source))
        codes = sorted(texts)
        words = sorted({self.side(t, self.source) for t in in_fields})
        readings = analyses(self.out / f"{self.mode}.automorf.bin", words)
        renamed, queries, seen = [], [], {}
        for term in in_fields:
            word, entry_tags = self.side(term, self.source), bilingual_tags(term, self.source)
            # A noun of both genders ("corte") may take one line for each.
            other = seen.setdefault((word.lower(), tuple(entry_tags), term.field), term)
            if other is not term:
                self.problems.add(term.origin, f"{word!r} already translates as {self.side(other, self.target)!r} "
                                               f"in the field's workbooks ({other.origin})")
                continue
            prefix = "".join(f"<{tag}>" for tag in entry_tags)
            tags = [t for lemma, t in readings.get(word, set()) if lemma == word.lower() and t.startswith(prefix)]
            if not tags:
                self.problems.add(term.origin, f"the analyser does not read {word!r} as {prefix}: a field's "
                                               "translation is for a word the analyser knows, of the kind it gives it")
                continue
            asked = [(lemma_in_field(word, term.field), tuple(t.strip(">") for t in tag.split("<") if t)) for tag in tags]
            queries += asked
            renamed.append((term, asked))
        found = bilingual_readings(self.out / f"{self.mode}.autobil.bin", queries)
        kept = []
        for term, asked in renamed:
            target = self.side(term, self.target).lower()
            missed = [tags for query, tags in asked
                      if target not in [lemma.lower() for lemma, _ in found.get((query, tags), [])]]
            if missed:
                self.problems.add(term.origin, f"the lookup does not reach {self.side(term, self.source)!r} read as "
                                               f"<{'><'.join(missed[0])}>: check the term's kind and gender")
                continue
            kept.append((self.side(term, self.source).lower(), tuple(bilingual_tags(term, self.source)), term.field))
        kept = sorted(set(kept))
        (self.work / "fields.rlx").write_text(grammar_text(codes, kept), encoding="utf-8")
        (self.out / f"{self.mode}.fields.tsv").write_text(
            fields_table(codes, telling_words(texts), self.glossary_cells_left(kept)), encoding="utf-8")
        names = {}
        for lemma, _, code in kept:
            names.setdefault(lemma, [])
            if lemma_in_field(lemma, code) not in names[lemma]:
                names[lemma].append(lemma_in_field(lemma, code))
        return names

    def glossary_cells_left(self, kept):
        """By field, the glossary's cells that the field renames, which the page host leaves to
        the field's translation: one-word cells that are a word the field renames ("Bajas" in a
        payroll sheet), and cells that are, whole, a multiword term the field renames ("Fecha de
        alta" in a clinic's sheet is when a patient went home)."""
        entries = [line.split("\t")[0] for line in (self.out / f"{self.mode}.glossary.tsv").read_text(encoding="utf-8").splitlines()
                   if line and not line.startswith("#") and "\t" in line]
        single = sorted({e for e in entries if e.strip() and " " not in e.strip()})
        readings = analyses(self.out / f"{self.mode}.automorf.bin", single)
        left = {}
        renamed_whole = {}
        for lemma, _, code in kept:
            if " " in lemma:
                renamed_whole.setdefault(lemma, set()).add(code)
        for cell in entries:
            for code in sorted(renamed_whole.get(" ".join(cell.split()).lower(), ())):
                left.setdefault(code, []).append(cell)
        for cell in single:
            for lemma, tags, code in kept:
                prefix = "".join(f"<{tag}>" for tag in tags)
                if any(read == lemma and t.startswith(prefix) for read, t in readings.get(cell, set())):
                    left.setdefault(code, []).append(cell)
        return left

    def build_source_rules(self, renamed):
        """MODE.source.t1x as written, each category that names a renamed word naming its new
        names too, so that the rules still read it in its field's workbooks ("on site")."""
        def with_names(match):
            names = renamed.get(match.group(2).lower(), [])
            return match.group(0) + "".join(match.group(1) + name + match.group(3) for name in names)
        text = (self.data / f"{self.mode}.source.t1x").read_text(encoding="utf-8")
        text = re.sub(r'(<cat-item lemma=")([^"]+)("[^>]*/>)', with_names, text)
        (self.out / f"{self.mode}.source.t1x").write_text(text, encoding="utf-8")

    def build_selection(self, defaults, removed, renamed):
        """renamed: the names a lemma goes by in the fields that rename it; a rule that reads the
        word as context reads it under those names too."""
        rules = []
        by_hand = set()
        for path in [self.data / f"{self.mode}.domain.lrx"] + sorted((self.data / "senses").glob(f"*.{self.mode}.lrx")):
            if not path.exists():
                continue
            try:
                root = ElementTree.parse(path).getroot()
            except ElementTree.ParseError as error:
                self.problems.add(path.name, f"not well-formed XML: {error}")
                continue
            for rule in root.iter("rule"):
                with_renamed_context(rule, renamed)
                matches = rule.findall("match")
                if rule.get("weight", "1") == "1" and len(matches) == 1 and matches[0].find("select") is not None:
                    kind = matches[0].get("tags", "").split(".")[0]
                    by_hand.add((matches[0].get("lemma", "").lower(), kind))
                rules.append(ElementTree.tostring(rule, encoding="unicode").strip())
        quoted = lambda text: escape(text, {chr(34): "&quot;"})
        for action, chosen in (("select", defaults), ("remove", removed)):
            for lemma, kind, target in chosen:
                if (lemma.lower(), kind) in by_hand or (lemma.lower(), "") in by_hand:
                    continue
                # An adjective or adverb may carry no tag after its kind ("<adj>"), which "adj.*" misses.
                for tags in (kind, kind + ".*") if kind in ("adj", "adv", "pr") else (kind + ".*",):
                    rules.append(f'<rule weight="1"><match lemma="{quoted(lemma)}" tags="{tags}">'
                                 f'<{action} lemma="{quoted(target)}"/></match></rule>')
        source = self.work / "domain.lrx"
        source.write_text('<?xml version="1.0" encoding="UTF-8"?>\n<rules>\n' + "\n".join(rules) + "\n</rules>\n",
                          encoding="utf-8")
        subprocess.run(["lrx-comp", str(source), str(self.out / f"{self.mode}.domain.lrx.bin")],
                       check=True, capture_output=True)

    def build_capital_words(self, terms):
        """The target's words in capitals, from the terms and the glossary's translations."""
        words = {}  # each word with the source's words in capitals it translates
        small = set()  # the target's words our own translations write in small letters ("sem.")
        def add(target_text, source_text):
            for word in capital_words(target_text):
                words.setdefault(word, set()).update(capital_words(source_text))
            small.update(w.strip(".,;:()'\"").lower() for w in target_text.replace("/", " ").replace("-", " ").split(" ")
                         if any(c.islower() for c in w))
        for term in terms:
            add(self.side(term, self.target), self.side(term, self.source))
        for line in (self.out / f"{self.mode}.glossary.tsv").read_text(encoding="utf-8").splitlines():
            columns = line.split("\t")
            if len(columns) >= 2 and not line.startswith("#") and columns[1] != "=":
                add(columns[1], columns[0])
        # A word the language, or one of our translations, also writes in small letters (ti, it,
        # cod; sem. for a week) keeps the case it comes with, unless the source has a word in
        # capitals it translates ("Departamento de TI").
        analyser = self.pair / ("eng-spa.automorf.bin" if self.target == "en" else "spa-eng.automorf.bin")
        known = analyses(analyser, sorted(w.lower() for w in words))
        lines = []
        for word in sorted(words):
            if not known.get(word.lower()) and word.lower() not in small:
                lines.append(word)
            elif words[word]:
                lines.append(word + "\t" + " ".join(sorted(words[word])))
        (self.out / f"{self.mode}.capitals.txt").write_text("".join(line + "\n" for line in lines), encoding="utf-8")

    def build_glossary(self):
        parts = [self.data / f"{self.mode}.glossary.tsv"]
        parts += sorted((self.data / "glossary").glob(f"*.{self.mode_key()}.tsv"))
        text = "".join(p.read_text(encoding="utf-8").rstrip("\n") + "\n" for p in parts if p.exists())
        (self.out / f"{self.mode}.glossary.tsv").write_text(text, encoding="utf-8")


def capital_words(text):
    """The words of text written in capitals: two letters or more, no small letter."""
    words = set()
    for word in text.replace("/", " ").replace("-", " ").split(" "):
        word = word.strip(".,;:()'\"")
        letters = [c for c in word if c.isalpha()]
        if len(letters) >= 2 and all(c.isupper() for c in letters) and all(c.isalnum() for c in word):
            words.add(word)
    return words


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--mode", required=True, choices=sorted(LANGUAGES))
    parser.add_argument("--pair", required=True, type=Path)
    parser.add_argument("--data", required=True, type=Path)
    parser.add_argument("--out", required=True, type=Path)
    parser.add_argument("--work", type=Path, help="where the intermediate files go (default: OUT/MODE.work)")
    parser.add_argument("--strict", action="store_true", help="fail on any problem in the data")
    parser.add_argument("--quick", action="store_true",
                        help="leave the bilingual dictionary as appended: the same answers, a slower lookup, a faster build")
    args = parser.parse_args()
    problems = Problems()
    args.out.mkdir(parents=True, exist_ok=True)
    terms = read_terms(sorted((args.data / "terms").glob("*.tsv")), problems)
    work = args.work or args.out / f"{args.mode}.work"
    DirectionBuild(args.mode, args.pair, args.data, args.out, work, problems, refold=not args.quick).build(terms)
    for line in problems.lines:
        print(f"build_vocabulary.py {args.mode}: {line}", file=sys.stderr)
    return 1 if args.strict and problems.lines else 0


if __name__ == "__main__":
    sys.exit(main())
