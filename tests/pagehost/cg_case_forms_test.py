#!/usr/bin/env python3
"""A label grammar with its case-blind lemmas spelled out reads every word as the grammar as
written does: lemmas in small letters, with a capital and in capitals, in lists, inside a
composite tag and beside a case-blind wordform."""
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "pagehost/data"))
import cg_case_forms  # noqa: E402

GRAMMAR = """DELIMITERS = (sent) ;
LIST Verbs = "mark"i "flag"i "sign in"i ;  # a comment with "quotes"i
SELECT (vblex inf) IF (-1 (>>>)) (0 Verbs) ;
SELECT (pr) IF (0 ("as"i pr)) (-1 ("mark"i) OR ("<flag>"i)) ;
REMOVE (n) IF (0 ("record"i)) (1 ("<the>"i)) ;
"""

STREAM = ("^Mark/Mark<n><sg>/Mark<vblex><inf>$ ^as/as<pr>/as<cnjadv>$ ^paid/paid<adj>$^./.<sent>$\n"
          "^MARK/MARK<n><sg>/MARK<vblex><inf>$ ^AS/AS<pr>/AS<cnjadv>$^./.<sent>$\n"
          "^flag/flag<n><sg>/flag<vblex><inf>$ ^as/as<pr>/as<cnjadv>$^./.<sent>$\n"
          "^Sign in/Sign in<n><sg>/Sign in<vblex><inf>$^./.<sent>$\n"
          "^RECORD/RECORD<n><sg>/RECORD<vblex><inf>$ ^THE/THE<det><def><sp>$ ^date/date<n><sg>$^./.<sent>$\n"
          "^mArk/mark<n><sg>/mark<vblex><inf>$^./.<sent>$\n")


class CaseForms(unittest.TestCase):
    def test_the_spelled_out_grammar_reads_as_the_written_one(self):
        with tempfile.TemporaryDirectory() as work:
            work = Path(work)
            (work / "written.rlx").write_text(GRAMMAR, encoding="utf-8")
            sys.argv = ["cg_case_forms.py", str(work / "written.rlx"), str(work / "spelled.rlx")]
            cg_case_forms.main()
            spelled = (work / "spelled.rlx").read_text(encoding="utf-8")
            self.assertFalse(any(cg_case_forms.is_case_blind_lemma(t) for t in cg_case_forms.tokens(spelled)))
            outputs = []
            for name in ("written", "spelled"):
                subprocess.run(["cg-comp", str(work / f"{name}.rlx"), str(work / f"{name}.bin")], check=True,
                               capture_output=True)
                run = subprocess.run(["cg-proc", str(work / f"{name}.bin")], input=STREAM, capture_output=True,
                                     check=True, text=True)
                outputs.append(run.stdout)
            self.assertEqual(outputs[1], outputs[0])
            self.assertIn("^MARK/MARK<vblex><inf>$", outputs[0])  # the capitals took the rule

    def test_a_case_blind_lemma_outside_a_composite_tag_is_refused(self):
        rewriter = cg_case_forms.Rewriter()
        with self.assertRaises(ValueError):
            rewriter.statement(cg_case_forms.tokens('SELECT "mark"i ;'))


if __name__ == "__main__":
    unittest.main()
