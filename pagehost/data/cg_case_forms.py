#!/usr/bin/env python3
"""Writes a constraint grammar with each case-blind lemma ("word"i) spelled out in the forms the
analyser gives a lemma, so that cg-proc matches it by lookup instead of comparing it with every
tag of every reading.

    cg_case_forms.py GRAMMAR.rlx OUT.rlx [APPENDED.rlx ...]

lt-proc writes a lemma as the dictionary has it, with its first letter in capitals when the word
starts with one, and all in capitals when the word starts with two; "word"i becomes "word",
"Word" and "WORD" (and the form written, if it differs). Wordforms ("<word>"i) keep their flag:
a word's surface can be cased any way. A case-blind lemma inside a composite tag, such as
("as"i pr), becomes a list of the composite's forms, defined before the statement that uses it.
Comments are left out of the output. Grammars given after OUT are appended to the first, so
that their rules come last."""
import itertools
import re
import sys

TOKEN = re.compile(r'"(?:[^"\\]|\\.)*"[a-zA-Z]*|#[^\n]*|[();]|[^"#();]+')
CASE_BLIND_LEMMA = re.compile(r'"((?:[^"\\<]|\\.)(?:[^"\\]|\\.)*)"i')


def tokens(text):
    """The grammar's quoted tags, brackets, semicolons and the text between them, comments left out."""
    return [t for t in TOKEN.findall(text) if not t.startswith("#")]


def is_case_blind_lemma(token):
    return CASE_BLIND_LEMMA.fullmatch(token) is not None


def upper_same_length(text):
    return "".join(c.upper() if len(c.upper()) == 1 else c for c in text)


def case_forms(lemma):
    """The forms a case-blind lemma can take in the analyser's output, without repeats."""
    lower = lemma.lower()
    forms = [lemma, lower, lower[:1].upper() + lower[1:], upper_same_length(lemma), lemma[:1].upper() + lemma[1:]]
    return list(dict.fromkeys(forms))


def spelled_out(group):
    """Every way of writing a run of tokens with each case-blind lemma in it replaced by one of its forms."""
    choices = [[f'"{form}"' for form in case_forms(CASE_BLIND_LEMMA.fullmatch(t).group(1))] if is_case_blind_lemma(t)
               else [t] for t in group]
    return ["".join(choice) for choice in itertools.product(*choices)]


def statements(all_tokens):
    """The grammar's statements as token lists, each with its closing ';'."""
    current = []
    for token in all_tokens:
        current.append(token)
        if token == ";":
            yield current
            current = []
    if "".join(current).strip():
        yield current


class Rewriter:
    def __init__(self):
        self.names = {}

    def list_name(self, group, definitions):
        key = "".join(group)
        if key not in self.names:
            self.names[key] = f"CaseForms{len(self.names) + 1}"
            definitions.append(f"LIST {self.names[key]} = {' '.join(spelled_out(group))} ;\n")
        return self.names[key]

    def statement(self, statement):
        """The statement rewritten, after the lists it now needs."""
        is_list = re.match(r"\s*LIST\b", "".join(statement)) is not None
        definitions = []
        out = []  # the rewritten tokens; `opened` holds where each open bracket is in it
        opened = []
        for token in statement:
            if token == ")" and opened:
                start = opened.pop()
                group = out[start:] + [token]
                if any(is_case_blind_lemma(t) for t in group):
                    # In a list, members are alternatives already; elsewhere the composite
                    # becomes a list of its forms.
                    replacement = " ".join(spelled_out(group)) if is_list and not opened else self.list_name(group, definitions)
                    out[start:] = [replacement]
                    continue
                out.append(token)
            elif token == "(":
                opened.append(len(out))
                out.append(token)
            elif is_case_blind_lemma(token) and not opened:
                if not is_list:
                    raise ValueError(f"a case-blind lemma outside a composite tag: {''.join(statement).strip()[:120]}")
                out.append(" ".join(spelled_out([token])))
            else:
                out.append(token)
        return "".join("\n" + d for d in definitions) + "".join(out)


def main():
    source, target, appended = sys.argv[1], sys.argv[2], sys.argv[3:]
    text = ""
    for path in [source] + appended:
        with open(path, encoding="utf-8") as f:
            text += f.read() + "\n"
    rewriter = Rewriter()
    try:
        out = "".join(rewriter.statement(s) for s in statements(tokens(text)))
    except ValueError as error:
        sys.exit(f"{source}: {error}")
    with open(target, "w", encoding="utf-8") as f:
        f.write(out)


if __name__ == "__main__":
    main()
