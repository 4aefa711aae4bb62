#!/usr/bin/env python3
"""A refolded bilingual dictionary answers every lookup as the dictionary it came from, in the
same order: letter-paired entries with several translations, one of them before a shorter
one of the appended terms, a multiword verb, a number pattern with a loop, capitals, and a section of terms appended as the
vocabulary's build appends them."""
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "pagehost/data"))
from refold_dictionary import refold  # noqa: E402

PAIR = """<?xml version="1.0" encoding="UTF-8"?>
<dictionary><alphabet/><sdefs><sdef n="n"/><sdef n="f"/><sdef n="m"/><sdef n="adj"/><sdef n="vblex"/>
<sdef n="num"/></sdefs>
<section id="main" type="standard">
<e><p><l>house<s n="n"/></l><r>casa<s n="n"/><s n="f"/></r></p></e>
<e><p><l>house<s n="n"/></l><r>cámara<s n="n"/><s n="f"/></r></p></e>
<e><p><l>light<s n="adj"/></l><r>ligero<s n="adj"/></r></p></e>
<e><p><l>bank<s n="n"/></l><r>orilla<s n="n"/><s n="f"/></r></p></e>
<e><p><l>bank<s n="n"/></l><r>banco<s n="n"/><s n="m"/></r></p></e>
<e><p><l>key<s n="n"/></l><r>tecla<s n="n"/><s n="f"/></r></p></e>
<e><p><l>key<s n="n"/></l><r>llave<s n="n"/><s n="f"/></r></p></e>
<e><p><l>key<s n="n"/></l><r>clave<s n="n"/><s n="f"/></r></p></e>
<e><p><l>take<g><b/>out</g><s n="vblex"/></l><r>sacar<s n="vblex"/></r></p></e>
<e><re>[0-9]+([.,][0-9]+)*</re><p><l><s n="num"/></l><r><s n="num"/></r></p></e>
</section></dictionary>
"""

TERMS = """<?xml version="1.0" encoding="UTF-8"?>
<dictionary><alphabet/><sdefs><sdef n="n"/><sdef n="m"/><sdef n="f"/><sdef n="adj"/></sdefs>
<section id="terms" type="standard">
<e><p><l>reorder<b/>point<s n="n"/></l><r/></p><p><l/><r>punto<b/>de<b/>pedido<s n="n"/><s n="m"/></r></p></e>
<e><p><l>house<s n="n"/></l><r/></p><p><l/><r>vivienda<s n="n"/><s n="f"/></r></p></e>
<e><p><l>light<s n="adj"/></l><r/></p><p><l/><r>claro<s n="adj"/></r></p></e>
</section></dictionary>
"""

LOOKUPS = ["^house<n><sg>$", "^House<n><pl>$", "^HOUSE<n><sg>$", "^light<adj><sint>$", "^bank<n><sg>$", "^key<n><pl>$", "^take# out<vblex><pres>$",
           "^12,5<num>$", "^2024<num>$", "^reorder point<n><pl>$", "^Reorder point<n><sg>$", "^lamp<n><sg>$"]


def run(*command, stdin=None):
    return subprocess.run(command, input=stdin, capture_output=True, check=True, text=True).stdout


class RefoldedDictionary(unittest.TestCase):
    def test_answers_as_the_appended_dictionary_does(self):
        with tempfile.TemporaryDirectory() as work:
            work = Path(work)
            for name, text in (("pair", PAIR), ("terms", TERMS)):
                (work / f"{name}.dix").write_text(text, encoding="utf-8")
                run("lt-comp", "lr", str(work / f"{name}.dix"), str(work / f"{name}.bin"))
            run("lt-append", str(work / "pair.bin"), str(work / "terms.bin"), str(work / "appended.bin"))
            refold(work / "appended.bin", work / "refolded.bin", work / "refold")
            stream = "".join(lookup + "\0" for lookup in LOOKUPS)
            before = run("lt-proc", "-z", "-b", str(work / "appended.bin"), stdin=stream).split("\0")
            after = run("lt-proc", "-z", "-b", str(work / "refolded.bin"), stdin=stream).split("\0")
            for lookup, expected, got in zip(LOOKUPS, before, after):
                self.assertEqual(got, expected, lookup)
            # The case that matters: the pair's translation, longer than the appended term's, comes
            # first; a lookup that reaches translations by their length would give it second.
            self.assertIn("/ligero<adj><sint>/claro<adj><sint>$", before[LOOKUPS.index("^light<adj><sint>$")])


if __name__ == "__main__":
    unittest.main()
