#!/usr/bin/env python3
"""truth.py WORK_FOLDER PREPROCESSED_COPY [CORPUS_NAME]

How far the final records of an `analyze` run (FunctionList4/, RAM_ALL/)
tell the truth about each function, judged by Universal Ctags on the
preprocessed copy and by reading the copy: parameters and locals, the
variables read and written, the access lists, 定義値, 戻り値 and 関数型; then
how many definitions have a record of their own. One line per measure.
DETAIL=N also prints up to N examples per measure (for checking them by hand).
bench/truth.sh runs `analyze` and calls this.
"""
import collections
import os
import re
import sys

import truthlib as T

class Function:
    """A final record together with the definition it stands for."""

    def __init__(self, record, definition, project):
        self.record = record
        self.definition = definition
        self.project = project
        self.recorded = T.recorded_locals(record)
        self.ctags_locals = project.locals_of(definition)
        self.ctags_names = {t.name for t in self.ctags_locals}

    def body(self):
        return self.project.body(self.definition)


# ------------------------------------------------------------ parameters and locals

def missing_locals(corpus, functions, project, typedef_names, type_position_words):
    """Functions missing a parameter or local ctags sees; of them, those where
    a missing name is a type name of the project (Typedef.txt or a ctags
    struct/union/enum/typedef name), and those where it is at least a word
    some record holds in a type position (the run's own type-name table
    holds more than the project's types, and it is not in the work folder)."""
    missing, by_type, by_position, shown = 0, 0, 0, []
    once = missing_once = 0
    type_names = typedef_names | project.type_names
    for fn in functions:
        lost = sorted(fn.ctags_names - fn.recorded)
        defined_once = len(project.definitions_by_name[fn.definition.name]) == 1
        once += defined_once
        if not lost:
            continue
        missing += 1
        missing_once += defined_once
        if any(name in type_names for name in lost):
            by_type += 1
        if any(name in type_names or name in type_position_words for name in lost):
            by_position += 1
        shown.append('%s (%s): %s' % (fn.record.name, fn.definition.path, ' '.join(lost)))
    T.line(corpus, 'functions missing a parameter or local', missing, len(functions), '<= 1 %')
    T.line(corpus, '  ... over the functions whose name is defined once', missing_once, once)
    T.line(corpus, '  ... a missing name is a type name of the project', by_type, len(functions))
    T.line(corpus, '  ... a missing name is that or a word some record uses as a type',
           by_position, len(functions))
    T.examples('missing', shown)


def type_position_words(records):
    """Words a record's parameter or temporary holds before the name."""
    words = set()
    for record in records.values():
        for tag in (T.TAG_ARGS, T.TAG_TEMPS):
            for entry in record.list(tag):
                fields = [f for f in entry.split('\t') if f]
                for field in fields[:-1]:
                    words.update(T.IDENT.findall(field))
    return words


def struct_locals(corpus, functions):
    """Locals declared with a struct or union type that the record's
    temporaries do not hold: all of them, and those declared as a value
    (struct TAG name, not a pointer)."""
    total = lost = values = values_lost = 0
    shown = []
    for fn in functions:
        for t in fn.ctags_locals:
            if t.kind != 'local' or not t.typeref.startswith(('struct:', 'union:')):
                continue
            value = '*' not in t.typeref and '[' not in t.typeref
            total += 1
            values += value
            if t.name not in fn.recorded:
                lost += 1
                values_lost += value
                shown.append('%s: %s %s (%s:%d)' % (fn.record.name, t.typeref, t.name,
                                                    t.path, t.line))
    T.line(corpus, 'struct/union locals missing from [テンポラリ変数]', lost, total)
    T.line(corpus, '  ... of them declared as a value (not a pointer)', values_lost, values)
    T.examples('struct locals', shown)


# ------------------------------------------------------------ reads and writes

VARIABLE_FORM = re.compile(r'[*&]*[A-Za-z_]\w*(?:->[A-Za-z_]\w*|\.[A-Za-z_]\w*|\[\])*\Z')
NUMBER = re.compile(r'(?:0[xX][0-9a-fA-F]+|\d+\.?\d*(?:[eE][+-]?\d+)?|\.\d+)[uUlLfF]*\Z')
SUFFIX = re.compile(r'[uU]?[lL]{0,2}[uU]?\Z|[fF]\Z')
GLUED = ('sizeof', 'struct', 'union', 'enum', 'return')


def unglue(word, fn):
    """A keyword and a name written as one word (the record joins tokens
    without blanks: "structipmi_smi", "sizeofbuf") -> (keyword, name)."""
    def known(name):
        return name in fn.recorded or name in fn.project.all_names
    if known(word):
        return None, word
    for keyword in GLUED:
        rest = word[len(keyword):]
        if word.startswith(keyword) and known(rest):
            return keyword, rest
    return None, word


def entry_base(entry, fn):
    """The leading identifier of an entry: p of p->a, buf of buf[i], x of *x;
    with its glued keyword when it has one."""
    for word in T.IDENT.findall(entry):
        if word not in T.C_KEYWORDS:
            return unglue(word, fn)
    return None, None


def is_literal(entry, fn, project):
    """A number, a literal, or a number's suffix left alone (ul of 0ul)."""
    text = entry.strip()
    if NUMBER.match(text) or text[:1] in '"\'':
        return True
    if text and SUFFIX.match(text):
        return not any(text in names for names in (fn.ctags_names, fn.recorded,
                                                   project.file_variables, project.macros))
    return False


def is_expression(entry, fn, project):
    """An entry that is no variable: a literal, a keyword glued to a name, or
    an operator other than "->", ".", "[]" and a leading "*" or "&"."""
    if is_literal(entry, fn, project):
        return True
    if entry_base(entry, fn)[0] is not None:
        return True
    return not VARIABLE_FORM.match(T.empty_brackets(entry.strip()))


def classify(entry, fn, project):
    """What the base of a read/write entry is, in C's scope order."""
    if is_literal(entry, fn, project):
        return 'literal'
    keyword, base = entry_base(entry, fn)
    if base is None:
        return 'no name'
    if keyword in ('struct', 'union', 'enum'):
        return 'type name'
    if base in fn.recorded:
        return 'recorded local'
    if base in fn.ctags_names:
        return 'look global'
    if base in project.file_variables:
        return 'file variable'
    if base in project.macros or base in project.enumerators:
        return 'macro or enumerator'
    if base in project.function_names or base in project.prototype_names:
        return 'function'
    if base in project.members:
        return 'bare member'
    if base in project.type_names:
        return 'type name'
    if T.MACRO_NAME.match(base) or base in ('true', 'false', '__func__'):
        return 'unknown constant'
    return 'unknown name'


def read_write_entries(functions):
    for fn in functions:
        for tag in (T.TAG_READS, T.TAG_WRITES):
            for entry in fn.record.list(tag):
                yield fn, entry


def unexplained_entries(corpus, functions, project):
    """Read/write entries whose base is neither a recorded local or parameter
    of the function nor a file-level variable, macro, enumerator or function
    of the project; broken down by what the base is."""
    counts = collections.Counter()
    shown = collections.defaultdict(list)
    for fn, entry in read_write_entries(functions):
        kind = classify(entry, fn, project)
        counts[kind] += 1
        shown[kind].append('%s (%s): %s' % (fn.record.name, fn.definition.path, entry))
    total = sum(counts.values())
    judged = ('look global', 'bare member', 'literal', 'no name', 'type name')
    T.line(corpus, 'read/write entries unexplained', sum(counts[k] for k in judged), total,
           '<= 1 %')
    labels = {
        'look global': 'base is a local/parameter missing from the record (look global)',
        'bare member': 'bare member name (a struct member, no variable in scope)',
        'literal': 'a number, literal or numeric suffix',
        'no name': 'no identifier at all',
        'type name': 'base is a type name only (a type text)',
        'unknown constant': 'capitalised, true/false/__func__ (an external constant?)',
        'unknown name': 'other (an external variable, or a member of an external struct?)',
    }
    for kind in judged:
        T.line(corpus, '  ... ' + labels[kind], counts[kind], total)
        T.examples(kind, shown[kind])
    T.line(corpus, 'read/write entries whose base the corpus does not declare (not judged)',
           counts['unknown constant'] + counts['unknown name'], total)
    for kind in ('unknown constant', 'unknown name'):
        T.line(corpus, '  ... ' + labels[kind], counts[kind], total)
        T.examples(kind, shown[kind])
    T.line(corpus, '  (explained by a function name: function designators)', counts['function'], total)


def expression_entries(corpus, functions, project):
    """Read/write entries that are no variable: an operator other than "->",
    ".", "[...]" or a leading "*"/"&", or a literal."""
    total, bad, shown = 0, 0, []
    for fn, entry in read_write_entries(functions):
        total += 1
        if is_expression(entry, fn, project):
            bad += 1
            shown.append('%s: %s' % (fn.record.name, entry))
    T.line(corpus, 'read/write entries that are expressions or literals', bad, total)
    T.examples('expressions', shown)


# ------------------------------------------------------------ access lists

def ram_pairs(work):
    """(variable, function) pairs of RAM_ALL/: each access list names the
    functions (lines without indent) that access its variable. A list of one
    of several definitions of a name is named name@file (no identifier
    holds "@")."""
    root = os.path.join(work, 'RAM_ALL')
    pairs = []
    if not os.path.isdir(root):
        return pairs
    for list_name in sorted(os.listdir(root)):
        variable = list_name.split('@', 1)[0]
        lines = T.read_lines(os.path.join(root, list_name))
        for text in lines[1:]:
            if text and not text.startswith(' '):
                pairs.append((variable, text))
    return pairs


def access_list_pairs(corpus, work, project, functions_by_record):
    """RAM_ALL pairs that are no access of a file-level variable: the name is
    no file-level variable of the project; or only a static one of other
    files; or the function has its own parameter or local of that name (so
    that is what it accesses)."""
    pairs = ram_pairs(work)
    nowhere, elsewhere, own_local = [], [], []
    for v, f in pairs:
        fn = functions_by_record.get(f)
        if v not in project.file_variables:
            nowhere.append((v, f))
        elif fn and not project.variable_visible(v, fn.definition.path):
            elsewhere.append((v, f))
        elif fn and (v in fn.ctags_names or v in fn.recorded):
            own_local.append((v, f))
    T.line(corpus, 'RAM_ALL pairs that are no access of a file-level variable',
           len(nowhere) + len(elsewhere) + len(own_local), len(pairs), '<= 1 %')
    T.line(corpus, '  ... the name is no file-level variable of the project', len(nowhere), len(pairs))
    T.line(corpus, '  ... only a static variable of another file has the name', len(elsewhere),
           len(pairs))
    T.line(corpus, '  ... the function has its own parameter or local of the name', len(own_local),
           len(pairs))
    T.examples('not a variable', ['%s <- %s' % p for p in nowhere])
    T.examples('static of another file', ['%s <- %s' % p for p in elsewhere])
    T.examples('own local', ['%s <- %s' % p for p in own_local])


# ------------------------------------------------------------ 定義値, 戻り値, 関数型

def define_values(corpus, records, project):
    """[定義値] entries that are no macro name of the project; of them those
    not written in capitals (a variable or parameter word, surely no macro;
    a capitalised one may still be a macro of a header outside the corpus)."""
    total, bad, lower, shown = 0, 0, 0, []
    for record in records.values():
        for entry in record.list(T.TAG_DEFINES):
            total += 1
            name = entry.strip()
            if name not in project.macros:
                bad += 1
                lower += not T.MACRO_NAME.match(name)
                shown.append('%s: %s' % (record.name, entry))
    T.line(corpus, '[定義値] entries that are no macro of the project', bad, total)
    T.line(corpus, '  ... of them not in capitals (variable words)', lower, total)
    T.examples('定義値', shown)


NEGATIVE_RETURN = re.compile(r'\breturn\s*\(?\s*-\s*([A-Za-z_]\w*|\d\w*)\s*\)?\s*;')
PLAIN_RETURN = re.compile(r'\breturn\s*\(?\s*([A-Za-z_]\w*|\d\w*)\s*\)?\s*;')


def return_signs(corpus, functions):
    """`return -X;` (X a name or number) whose record holds X but not -X.
    Skipped when the body also says `return X;`."""
    total, lost, shown = 0, 0, []
    for fn in functions:
        body = fn.body()
        negative = set(NEGATIVE_RETURN.findall(body))
        if not negative:
            continue
        plain = set(PLAIN_RETURN.findall(body))
        values = {v.replace(' ', '') for v in fn.record.list(T.TAG_RETURNS)}
        for x in sorted(negative - plain):
            total += 1
            if x in values and '-' + x not in values:
                lost += 1
                shown.append('%s (%s): return -%s' % (fn.record.name, fn.definition.path, x))
    T.line(corpus, 'return -X recorded as X (distinct values per function)', lost, total, '0')
    T.examples('return sign', shown)


def squeeze(text):
    return re.sub(r'\s+', '', text or '')


def function_types(corpus, functions, project, prototypes_by_name, listed_prototypes):
    """[関数型] that is the text before the name neither in the function's own
    definition header nor in a prototype of it (one ctags sees, or a line of
    FuncList_ProtType.txt that declares the name: a block-scope prototype
    such as `extern char *f();` inside a body counts)."""
    present, wrong, absent, shown = 0, 0, 0, []
    for fn in functions:
        kind = fn.record.one(T.TAG_TYPE)
        if kind is None:
            absent += 1
            continue
        present += 1
        want = squeeze(kind)
        heads = [project.source(fn.definition.path).header_prefix(fn.definition)]
        heads += [project.source(p.path).header_prefix(p)
                  for p in prototypes_by_name.get(fn.definition.ctags_name, [])]
        heads += [T.declared_type(l, project) for l in listed_prototypes.get(fn.definition.ctags_name, [])]
        # A definition with no type before its name (K&R) returns int.
        implicit_int = heads[0] is not None and not squeeze(heads[0]) and want == 'int'
        if not implicit_int and not any(h is not None and want and squeeze(h).endswith(want) for h in heads):
            wrong += 1
            shown.append('%s (%s): [関数型] %r, header %r' % (
                fn.record.name, fn.definition.path, kind[:80], (heads[0] or '').strip()))
    T.line(corpus, '[関数型] not from the own header or a prototype', wrong, present, '0')
    T.line(corpus, '  (records without [関数型])', absent, len(functions))
    T.examples('関数型', shown)


# ------------------------------------------------------------ one record per definition

def definitions_and_records(corpus, project, records):
    """Definitions, names defined more than once, definitions without a
    record of their own, caller entries whose caller's file defines the
    name itself (so the caller calls its own one, not this record's)."""
    defs = project.definitions
    by_name = project.definitions_by_name
    repeated = {n: d for n, d in by_name.items() if len(d) > 1}
    print('%s: definitions (ctags f): %d' % (corpus, len(defs)))
    print('%s: names defined more than once: %d (%d definitions)' % (
        corpus, len(repeated), sum(len(d) for d in repeated.values())))

    owned = set()
    record_definition = {}
    for rname, record in records.items():
        if record.placeholder:
            continue
        free = [d for d in project.definitions_for(record) if d not in owned]
        if not free:
            continue
        best = project.definition_of(record)
        d = best if best in free else free[0]
        owned.add(d)
        record_definition[rname] = d
    recorded_names = {d.name for d in owned}
    without = [d for d in defs if d not in owned and d.name in recorded_names]
    unrecorded = [d for d in defs if d.name not in recorded_names]
    T.line(corpus, 'definitions without a record of their own (their name\'s record is another\'s)',
           len(without), len(defs), '0')
    T.line(corpus, '  (definitions whose name has no record at all: see bench/recall.sh)',
           len(unrecorded), len(defs))
    T.examples('no record', ['%s (%s:%d)' % (d.name, d.path, d.line) for d in without])
    T.examples('name without record', ['%s (%s:%d)' % (d.name, d.path, d.line) for d in unrecorded])

    entries, wrong, shown = 0, 0, []
    for rname, record in records.items():
        target = record_definition.get(rname)
        if target is None:
            continue
        for caller in record.list(T.TAG_CALLERS):
            entries += 1
            caller_def = record_definition.get(caller.strip())
            if caller_def is None or caller_def.path == target.path:
                continue
            if any(d.path == caller_def.path for d in by_name.get(target.name, [])):
                wrong += 1
                shown.append('%s (%s) listed as caller of %s (%s)' % (
                    caller, caller_def.path, rname, target.path))
    T.line(corpus, 'caller entries whose caller\'s file defines the name itself', wrong, entries,
           '0')
    T.examples('callers', shown)


# ------------------------------------------------------------ main

def typedef_table(work):
    path = os.path.join(work, 'Typedef.txt')
    if not os.path.exists(path):
        return set()
    return {w for line in T.read_lines(path) for w in T.IDENT.findall(line)}


def main():
    if len(sys.argv) < 3:
        sys.exit('usage: truth.py WORK_FOLDER PREPROCESSED_COPY [CORPUS_NAME]')
    work, copy = sys.argv[1], sys.argv[2]
    corpus = sys.argv[3] if len(sys.argv) > 3 else os.path.basename(os.path.normpath(copy))
    tags = T.run_ctags(copy)
    project = T.Project(copy, tags, os.path.basename(os.path.normpath(copy)))
    prototypes_by_name = collections.defaultdict(list)
    for t in tags:
        if t.kind == 'prototype':
            prototypes_by_name[t.name].append(t)
    records = T.load_records(work, 'FunctionList4')
    functions, by_record = [], {}
    for rname, record in records.items():
        if record.placeholder:
            continue
        definition = project.definition_of(record)
        if definition is None:
            continue
        fn = Function(record, definition, project)
        functions.append(fn)
        by_record[rname] = fn
    print('%s: records %d (placeholders %d), matched to a ctags definition %d' % (
        corpus, len(records), sum(r.placeholder for r in records.values()), len(functions)))
    missing_locals(corpus, functions, project, typedef_table(work), type_position_words(records))
    struct_locals(corpus, functions)
    unexplained_entries(corpus, functions, project)
    expression_entries(corpus, functions, project)
    access_list_pairs(corpus, work, project, by_record)
    define_values(corpus, records, project)
    return_signs(corpus, functions)
    function_types(corpus, functions, project, prototypes_by_name, T.prototype_lines(work))
    definitions_and_records(corpus, project, records)


if __name__ == '__main__':
    main()
