#!/usr/bin/env python3
"""Seeds a work folder for the report benchmark from a C source tree.

    report_seed.py SOURCE_DIR WORK_DIR

Writes WORK_DIR/vcwk012345 with what the report stage reads, in the formats
the earlier stages write: FunctionList4 records (calls, reads, writes, access
lines, callers), FuncList_ProtType.txt, ValList.txt and DEF3/*_DEF_C.dat.

The analysis here is a plain static call graph, not the analyser's: function
definitions at file level, the identifiers called in their bodies, and the
file-level variables they name. That is the graph the call trees expand, so
the tree sizes and the report's costs are those of the real records.
"""
import os
import re
import sys

KEYWORDS = {"if", "while", "for", "switch", "return", "sizeof", "do", "else", "case", "goto",
            "typeof", "__typeof__", "defined", "__attribute__", "__builtin_expect", "_Static_assert",
            "asm", "__asm__", "volatile", "__volatile__", "alignof", "_Alignof", "offsetof"}
TOKEN = re.compile(r"[A-Za-z_]\w*|\d\w*|\S")
COMMENTS = re.compile(r"/\*.*?\*/|//[^\n]*|\"(?:\\.|[^\"\\\n])*\"|'(?:\\.|[^'\\\n])*'", re.S)


def clean(text):
    """Comments and literals out, directive lines apart (with their continuations)."""
    text = COMMENTS.sub(lambda m: " " if m.group(0)[0] in "/" else '""', text)
    code, directives = [], []
    lines = text.split("\n")
    i = 0
    while i < len(lines):
        line = lines[i]
        if line.lstrip().startswith("#"):
            full = line
            while full.endswith("\\") and i + 1 < len(lines):
                i += 1
                full = full[:-1] + lines[i]
            directives.append(full)
        else:
            code.append(line)
        i += 1
    return "\n".join(code), directives


def scan(tokens):
    """File-level functions (name, body tokens) and variable declarations."""
    functions, variables = [], []
    statement = []
    i, n = 0, len(tokens)
    while i < n:
        t = tokens[i]
        if t == "{":
            depth, j = 1, i + 1
            while j < n and depth:
                depth += {"{": 1, "}": -1}.get(tokens[j], 0)
                j += 1
            body = tokens[i + 1:j - 1]
            name = None
            if statement and statement[-1] == ")" and "=" not in statement:
                k, depth = len(statement) - 1, 0
                while k >= 0:
                    depth += {")": 1, "(": -1}.get(statement[k], 0)
                    if depth == 0:
                        break
                    k -= 1
                if k > 0 and re.match(r"[A-Za-z_]", statement[k - 1]) and statement[k - 1] not in KEYWORDS:
                    name = statement[k - 1]
            if name:
                functions.append((name, body))
                statement = []
            else:
                statement.append("{}")
            i = j
            continue
        if t == ";":
            s = statement
            if (len(s) >= 2 and "(" not in s and "=" not in s and "{}" not in s and "typedef" not in s
                    and "extern" not in s and "," not in s):
                name_at = len(s) - 1
                if s[-1] == "]":
                    name_at = s.index("[") - 1
                if name_at >= 1 and re.match(r"[A-Za-z_]\w*$", s[name_at]):
                    variables.append((s[name_at], "\t".join(s + [";"])))
            statement = []
        elif t == "}":
            statement = []
        else:
            statement.append(t)
        i += 1
    return functions, variables


def main():
    source, work = sys.argv[1], os.path.join(sys.argv[2], "vcwk012345")
    files = []
    for folder, dirs, names in os.walk(source):
        dirs.sort()
        for name in sorted(names):
            if name.endswith((".c", ".h")):
                files.append(os.path.join(folder, name))
    parsed = []
    for path in files:
        with open(path, encoding="latin-1") as f:
            code, directives = clean(f.read())
        functions, variables = scan(TOKEN.findall(code))
        parsed.append((path, functions, variables, directives))
    globals_ = {}
    for _, _, variables, _ in parsed:
        for name, line in variables:
            globals_.setdefault(name, line)

    records = {}  # name -> (file, callees, accesses); a later definition replaces an earlier one
    for path, functions, _, _ in parsed:
        for name, body in functions:
            callees, accesses = [], []
            for k, t in enumerate(body):
                nxt = body[k + 1] if k + 1 < len(body) else ""
                if nxt == "(" and re.match(r"[A-Za-z_]", t) and t not in KEYWORDS:
                    if t not in callees:
                        callees.append(t)
                elif t in globals_ and (k == 0 or body[k - 1] not in (".", ">")):
                    after = body[k + 2] if k + 2 < len(body) else ""
                    written = (nxt == "=" and after != "=") or nxt in ("++", "--") or (nxt != "" and nxt in "+-|&" and after == "=")
                    accesses.append(t + (" [w]" if written else " [R]"))
            records[name] = (os.path.basename(path), callees, accesses)
    callers = {name: [] for name in records}
    for name, (_, callees, _) in records.items():
        for callee in callees:
            if callee in callers and name not in callers[callee]:
                callers[callee].append(name)

    def write(rel, text):
        path = os.path.join(work, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(text.replace("\n", "\r\n").encode("cp932", "replace"))

    def section(tag, items):
        return tag + "\n" + ("\n".join(items) if items else "NONE") + "\n\n"

    for name, (file, callees, accesses) in records.items():
        reads = sorted({a[:-4] for a in accesses if a.endswith(" [R]")})
        writes = sorted({a[:-4] for a in accesses if a.endswith(" [w]")})
        text = "[フォルダ名]\nSRC\n\n[ファイル名]\n" + file + "\n\n[関数名称]\n" + name + "\n\n[関数型]\nint\n\n"
        text += section("[引数定義]", ["void"]) + section("[テンポラリ変数]", [])
        text += section("[コール関数]", [c + "()" for c in callees])
        text += section("[コール関数（定義あり）]", ["int " + c + " ( void ) " for c in callees if c in records])
        text += section("[コール関数（定義なし）]", [c + "()" for c in callees if c not in records])
        text += section("[マクロ関数]", []) + section("[参照変数]", reads) + section("[定義値]", [])
        text += section("[書込み変数]", writes) + section("[戻り値]", []) + section("[変数アクセス情報]", accesses)
        text += "[コール元]\n" + ("\n".join(callers[name]) + "\n\n" if callers[name] else "NONE_CALLER\n")
        write(os.path.join("FunctionList4", name), text)
    write("FuncList_ProtType.txt", "".join("int\t%s\t(\tvoid\t)\t;\n" % n for n in records))
    write("ValList.txt", "".join(line + "\n" for line in globals_.values()))
    for path, _, _, directives in parsed:
        if not path.endswith(".c"):
            continue
        lines = []
        for d in directives:
            m = re.match(r"\s*#\s*define\s+([A-Za-z_]\w*)(.*)", d)
            if m:
                lines.append(m.group(1) + "".join("\t" + t for t in TOKEN.findall(m.group(2))) + "\t")
        base = os.path.splitext(os.path.basename(path))[0]
        write(os.path.join("DEF3", base + "_DEF_C.dat"), "\n".join(lines) + "\n\n")
    roots = sum(1 for c in callers.values() if not c)
    print("files %d functions %d roots %d variables %d" % (len(files), len(records), roots, len(globals_)))


if __name__ == "__main__":
    main()
