#!/usr/bin/env python3
"""CPU seconds of each program of the page host's eng-spa pipeline on a file of texts.

    bench/pipeline_stages.py TEXTS [--vocabulary DIR] [--autobil FILE] [--pair]

TEXTS holds one text a line (e.g. `xlcell dump BOOK | awk -F'\\t' '$3 == "text" { print $5 }'`).
The distinct texts go into one stream as the host frames them (each with its sentence end and
numbered blank), and the stream passes through the programs one at a time, each timed on its
own, so that a program's CPU is not hidden by the others running beside it. --autobil times
the bilingual lookup with another compiled dictionary too, and says whether its output is the
same."""
import argparse
import pathlib
import resource
import shlex
import subprocess
import time

PAIR = pathlib.Path("/usr/share/apertium/apertium-eng-spa")


def stream_escape(text):
    return "".join("\\" + c if c in "[]\\^$/@<>{}" else c for c in text)


def stages(vocabulary):
    v = lambda suffix: str(vocabulary / f"eng-spa.{suffix}")
    p = lambda name: str(PAIR / name)
    return [
        ("analyser", ["lt-proc", "-z", v("automorf.bin")]),
        ("label grammar (cg)", ["cg-proc", "-z", v("cg.bin")]),
        ("tagger", ["apertium-tagger", "-z", "-g", p("eng-spa.prob")]),
        ("pretransfer", ["apertium-pretransfer", "-z"]),
        ("genitive", ["apertium-transfer", "-z", "-n", p("apertium-eng-spa.eng-spa.genitive.t1x"),
                      p("eng-spa.genitive.bin")]),
        ("source rules", ["apertium-transfer", "-z", "-n", v("source.t1x"), v("source.bin")]),
        ("bilingual lookup", ["lt-proc", "-z", "-b", v("autobil.bin")]),
        ("domain senses", ["lrx-proc", "-z", v("domain.lrx.bin")]),
        ("pair senses", ["lrx-proc", "-z", "-m", p("eng-spa.autolex.bin")]),
        ("transfer", ["apertium-transfer", "-z", "-b", p("apertium-eng-spa.eng-spa.t1x"), p("eng-spa.t1x.bin")]),
        ("interchunk", ["apertium-interchunk", "-z", p("apertium-eng-spa.eng-spa.t2x"), p("eng-spa.t2x.bin")]),
        ("postchunk", ["apertium-postchunk", "-z", p("apertium-eng-spa.eng-spa.t3x"), p("eng-spa.t3x.bin")]),
        ("target rules", ["apertium-transfer", "-z", "-n", v("target.t1x"), v("target.bin")]),
        ("generator", ["lt-proc", "-z", "-n", v("autogen.bin")]),
        ("post-generator", ["lt-proc", "-z", "-p", p("eng-spa.autopgen.bin")]),
    ]


def pair_stages(mode_file=pathlib.Path("/usr/share/apertium/modes/eng-spa.mode")):
    """The mode's programs as the page host starts them: "-z" after each name, "$1" as "-g"
    (generation as apertium runs it), "$2" dropped."""
    programs = []
    for call in mode_file.read_text().split("|"):
        words = [w for w in shlex.split(call.strip()) if w != "$2"]
        programs.append((words[0], [words[0], "-z"] + ["-g" if w == "$1" else w for w in words[1:]]))
    return programs


def time_stages(named_commands, data, autobil=None):
    total = 0.0
    for name, command in named_commands:
        out, cpu, wall = timed(command, data)
        total += cpu
        print(f"  {name:20s} {cpu:6.2f} s CPU {wall:6.2f} s wall")
        if name == "bilingual lookup" and autobil:
            other, other_cpu, _ = timed(command[:-1] + [autobil], data)
            print(f"  {'  with --autobil':20s} {other_cpu:6.2f} s CPU, output {'the same' if other == out else 'DIFFERENT'}")
        data = out
    print(f"  {'all programs':20s} {total:6.2f} s CPU")


def timed(command, data):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    out = subprocess.run(command, input=data, capture_output=True, check=True).stdout
    wall = time.monotonic() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return out, after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime, wall


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("texts")
    parser.add_argument("--vocabulary", default=str(pathlib.Path(__file__).parent.parent / "build/share/veltrano-pagehost"))
    parser.add_argument("--autobil")
    parser.add_argument("--pair", action="store_true")
    args = parser.parse_args()
    texts = list(dict.fromkeys(t for t in pathlib.Path(args.texts).read_text().split("\n") if t.strip()))
    stream = "[].[start]" + "".join(f"{stream_escape(t)}[].[{i}]" for i, t in enumerate(texts)) + "[\n]"
    data = stream.encode() + b"\0"
    print(f"{len(texts)} distinct texts, {sum(len(t.split()) for t in texts)} words")
    time_stages(stages(pathlib.Path(args.vocabulary)), data, args.autobil)
    if args.pair:
        print("the pair's own mode on the same stream:")
        time_stages(pair_stages(), data)


if __name__ == "__main__":
    main()
