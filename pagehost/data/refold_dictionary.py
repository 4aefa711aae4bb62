#!/usr/bin/env python3
"""Rewrites a compiled bilingual dictionary so that a lookup follows one path per source instead of
one per translation, with the same answers in the same order.

    refold_dictionary.py DICTIONARY.bin OUT.bin WORK_DIR

A dictionary compiled from entries that pair each source letter with a target letter ("house" -
"casa" as h:c o:a u:s s:a e:) makes a lookup follow every entry that starts with the same letters
but translates otherwise, and the pair's dictionary and the terms appended to it are walked side
by side. Here each entry is written as its whole source and then its whole target, all in one
section: the lookup reads the source once, and the translations branch off only at its end.

An entry's translations come out ordered by weight, and the first is the one the rules take
when no sense rule chooses; each translation is weighted by its place in the original
dictionary's answer, which is asked for every source. Paths through a loop (numbers written with
any count of digits) cannot be listed and are kept as they were, in a section of their own, as
is a section whose paths outnumber its transitions (letters that combine freely)."""
import collections
import html
import subprocess
import sys
from pathlib import Path

EPSILON = "ε"


class Section:
    """One transducer printed by lt-print: arcs (from, to, input, output) and final states."""

    def __init__(self, rows):
        self.arcs = collections.defaultdict(list)
        self.finals = set()
        self.rows = rows
        for row in rows:
            if len(row) >= 4:
                self.arcs[int(row[0])].append((int(row[1]), row[2], row[3]))
            else:
                self.finals.add(int(row[0]))
        self.size = len(rows)

    def states(self):
        found = {0} | self.finals | set(self.arcs)
        for arcs in self.arcs.values():
            found.update(to for to, _, _ in arcs)
        return found

    def cyclic_states(self):
        """The states on a cycle (Tarjan's strongly connected components, without recursion)."""
        index, low, on_stack, stack, cyclic = {}, {}, set(), [], set()
        counter = 0
        for root in self.states():
            if root in index:
                continue
            work = [(root, iter(self.arcs[root]))]
            index[root] = low[root] = counter
            counter += 1
            stack.append(root)
            on_stack.add(root)
            while work:
                state, arcs = work[-1]
                advanced = False
                for to, _, _ in arcs:
                    if to not in index:
                        index[to] = low[to] = counter
                        counter += 1
                        stack.append(to)
                        on_stack.add(to)
                        work.append((to, iter(self.arcs[to])))
                        advanced = True
                        break
                    if to in on_stack:
                        low[state] = min(low[state], index[to])
                if advanced:
                    continue
                work.pop()
                if work:
                    low[work[-1][0]] = min(low[work[-1][0]], low[state])
                if low[state] == index[state]:
                    component = []
                    while True:
                        member = stack.pop()
                        on_stack.discard(member)
                        component.append(member)
                        if member == state:
                            break
                    if len(component) > 1 or any(to == state for to, _, _ in self.arcs[state]):
                        cyclic.update(component)
        return cyclic

    def reachable(self, starts, backwards=False):
        edges = collections.defaultdict(list)
        for state, arcs in self.arcs.items():
            for to, _, _ in arcs:
                (edges[to].append(state) if backwards else edges[state].append(to))
        seen, todo = set(starts), list(starts)
        while todo:
            for next_state in edges[todo.pop()]:
                if next_state not in seen:
                    seen.add(next_state)
                    todo.append(next_state)
        return seen

    def count_paths(self, avoided):
        """How many paths from the start to a final state touch no avoided state."""
        order = self.topological(avoided)
        count = {}
        for state in reversed(order):
            count[state] = (state in self.finals) + sum(count[to] for to, _, _ in self.arcs[state] if to not in avoided)
        return count.get(0, 0)

    def topological(self, avoided):
        order, seen, work = [], {0}, [(0, iter(self.arcs[0]))]
        while work:
            state, arcs = work[-1]
            for to, _, _ in arcs:
                if to not in avoided and to not in seen:
                    seen.add(to)
                    work.append((to, iter(self.arcs[to])))
                    break
            else:
                work.pop()
                order.append(state)
        return list(reversed(order))

    def paths(self, avoided):
        """(input symbols, output symbols) of every path that touches no avoided state."""
        found = []
        work = [(0, (), ())]
        while work:
            state, inputs, outputs = work.pop()
            if state in self.finals:
                found.append((inputs, outputs))
            for to, read, write in reversed(self.arcs[state]):
                if to not in avoided:
                    work.append((to, inputs + ((read,) if read != EPSILON else ()),
                                 outputs + ((write,) if write != EPSILON else ())))
        return found

    def through(self, cyclic):
        """The arcs and finals of the paths that pass a cyclic state, as lt-print rows: the
        section with each state split into before and after its path passed one."""
        before = self.reachable(cyclic, backwards=True)
        rows, names = [], {}

        def name(state, passed):
            return names.setdefault((state, passed), len(names))

        name(0, 0 in cyclic)
        todo, seen = [(0, 0 in cyclic)], {(0, 0 in cyclic)}
        while todo:
            state, passed = todo.pop()
            if passed and state in self.finals:
                rows.append([str(name(state, passed)), "0.000000"])
            for to, read, write in self.arcs[state]:
                if not passed and to not in before:
                    continue
                target = (to, passed or to in cyclic)
                rows.append([str(name(state, passed)), str(name(*target)), read, write, "0.000000"])
                if target not in seen:
                    seen.add(target)
                    todo.append(target)
        return rows


def read_sections(binary):
    printed = subprocess.run(["lt-print", str(binary)], capture_output=True, check=True, text=True).stdout
    sections, rows = [], []
    for line in printed.split("\n"):
        if line.startswith("--"):
            sections.append(Section(rows))
            rows = []
        elif line:
            rows.append(line.split("\t"))
    if rows:
        sections.append(Section(rows))
    return sections


def is_tag(symbol):
    return len(symbol) > 2 and symbol[0] == "<" and symbol[-1] == ">"


def dix_side(symbols):
    return "".join(f'<s n="{html.escape(s[1:-1])}"/>' if is_tag(s) else "<b/>" if s == " " else html.escape(s, quote=False)
                   for s in symbols)


def stream_side(symbols):
    return "".join(s if is_tag(s) else "".join("\\" + c if c in "^$/<>@\\[]{}*" else c for c in s) for s in symbols)


def answers(binary, sources):
    """What the dictionary gives for each source, in its order, as stream text."""
    query = "".join(f"^{stream_side(source)}$\0" for source in sources)
    out = subprocess.run(["lt-proc", "-z", "-b", str(binary)], input=query.encode(), capture_output=True, check=True)
    results = out.stdout.decode().split("\0")
    if len(results) < len(sources) or any(not r.startswith("^" + stream_side(s)) for r, s in zip(results, sources)):
        raise RuntimeError(f"{binary}: the lookup did not answer each source in turn")
    return [unit_answers(result) for result in results[: len(sources)]]


def unit_answers(result):
    """The answers of "^source/answer/answer$", escapes kept."""
    parts, current, i, body = [], "", 0, result[1:-1]
    while i < len(body):
        if body[i] == "\\":
            current += body[i : i + 2]
            i += 2
            continue
        if body[i] == "/":
            parts.append(current)
            current = ""
        else:
            current += body[i]
        i += 1
    parts.append(current)
    return parts[1:]


def ranked_entries(binary, paths):
    """Each path with its place among its source's answers in the original dictionary."""
    by_source = collections.OrderedDict()
    for source, target in dict.fromkeys(paths):
        by_source.setdefault(source, []).append(target)
    sources = list(by_source)
    for source, given in zip(sources, answers(binary, sources)):
        written = {stream_side(target): target for target in by_source[source]}
        order = [answer for answer in given if answer in written]
        order += [answer for answer in written if answer not in order]
        for rank, answer in enumerate(order):
            yield source, written[answer], rank


def write_dix(path, entries):
    tags = sorted({s[1:-1] for source, target, _ in entries for s in source + target if is_tag(s)})
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', "<dictionary>", "<alphabet/>", "<sdefs>"]
    lines += [f'<sdef n="{html.escape(t)}"/>' for t in tags]
    lines += ["</sdefs>", '<section id="veltrano-refolded" type="standard">']
    for source, target, rank in entries:
        weight = f' w="{rank}"' if rank else ""
        lines.append(f"<e{weight}><p><l>{dix_side(source)}</l><r/></p><p><l/><r>{dix_side(target)}</r></p></e>")
    lines += ["</section>", "</dictionary>", ""]
    path.write_text("\n".join(lines), encoding="utf-8")


def refold(binary, out_binary, work):
    """Writes out_binary: binary's entries one path per source, weighted to keep their order."""
    work.mkdir(parents=True, exist_ok=True)
    paths, kept = [], []
    for section in read_sections(binary):
        cyclic = section.cyclic_states()
        if 0 in cyclic or section.count_paths(cyclic) > section.size:
            kept.append(section.rows)
            continue
        paths += section.paths(cyclic)
        if cyclic:
            kept.append(section.through(cyclic))
    dix = work / "refolded.dix"
    write_dix(dix, list(ranked_entries(binary, paths)))
    refolded = work / "refolded.bin"
    subprocess.run(["lt-comp", "lr", str(dix), str(refolded)], check=True, capture_output=True)
    if not kept:
        refolded.replace(out_binary)
        return
    att = work / "kept.att"
    att.write_text("\n--\n".join("\n".join("\t".join(row) for row in rows) for rows in kept) + "\n", encoding="utf-8")
    kept_binary = work / "kept.bin"
    subprocess.run(["lt-comp", "lr", str(att), str(kept_binary)], check=True, capture_output=True)
    subprocess.run(["lt-append", str(refolded), str(kept_binary), str(out_binary)], check=True, capture_output=True)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    refold(Path(sys.argv[1]), Path(sys.argv[2]), Path(sys.argv[3]))
