#!/usr/bin/env python3
"""calls.py WORK_FOLDER PREPROCESSED_COPY [CORPUS_NAME]

How well the records of an `analyze` run list each function's calls, judged
by reading the function bodies in the preprocessed copy (extent from
Universal Ctags) and by what ctags says the project defines. One line per
measure; DETAIL=N also prints up to N examples per measure.
bench/calls.sh runs `analyze` and calls this.
"""
import os
import sys

import truthlib as T

class Reading:
    """The calls of one function's body as the source says: plain callees
    (name followed by "(") and member callees (->name( or .name()."""

    def __init__(self, body):
        self.plain, self.member = set(), set()
        for name, is_member in T.call_sites(body):
            (self.member if is_member else self.plain).add(name)

    @property
    def callees(self):
        return self.plain | self.member


def recorded_callees(record):
    """Callee names of a record's calls: the identifier before each call
    text's first "(" (strict), and every identifier followed by "(" anywhere
    in the texts (lenient: nested calls kept inside an outer call's text)."""
    strict, lenient = set(), set()
    for call in record.list(T.TAG_CALLS):
        name = T.call_name(call)[1]
        if name:
            strict.add(name)
        lenient.update(n for n, _ in T.call_sites(T.blank_noncode(call)))
    return strict, lenient


# ------------------------------------------------------------ recall

def callee_recall(corpus, unique, readings):
    """Over every function whose name is defined once in the corpus: distinct
    (function, callee) pairs by reading, and how many its raw record lists."""
    found = recorded = lenient_hits = 0
    missed = []
    for record, definition in unique:
        reading = readings[definition]
        strict, lenient = recorded_callees(record)
        for name in sorted(reading.callees):
            found += 1
            if name in strict:
                recorded += 1
            else:
                missed.append('%s (%s:%d): %s' % (record.name, definition.path, definition.line, name))
            if name in strict or name in lenient:
                lenient_hits += 1
    print('%s: callees by reading %d, recorded %d, recall %.1f %% (goal >= 99.5 %%); '
          'counting calls kept inside another call\'s text: %d, %.1f %%' % (
              corpus, found, recorded, T.pct(recorded, found), lenient_hits,
              T.pct(lenient_hits, found)))
    T.examples('missed callees', missed)


# ------------------------------------------------------------ classification

def undefined_entries(records):
    for record in records.values():
        for entry in record.list(T.TAG_CALLS_UNDEFINED):
            yield record, entry


def undefined_but_defined(corpus, records, project, readings_by_record):
    """[コール関数（定義なし）] entries naming a function the project defines
    where the caller can reach it (its own file, a header, or not static
    elsewhere: another file's static function is not what it calls). A
    member call (x->init(a) recorded as init(a)) is left to the member
    measure when the body never calls the name plainly."""
    total, bad, shown = 0, 0, []
    for record, entry in undefined_entries(records):
        total += 1
        base, name = T.call_name(entry)
        if base or name not in project.function_names:
            continue
        definition = project.definition_of(record)
        if definition is not None and not project.function_reachable(name, definition.path):
            continue
        reading = readings_by_record.get(record.record_name)
        if reading and name in reading.member and name not in reading.plain:
            continue
        bad += 1
        shown.append('%s: %s' % (record.name, entry))
    T.line(corpus, '定義なし entries naming a function defined in the project', bad, total, '0')
    T.examples('定義なし but defined', shown)


def macro_calls(corpus, records, project, readings):
    """Function-like macros of the project (ctags: a macro with a parameter
    list, no function of that name) filed under 定義なし; the [マクロ関数]
    entries; and macro callees by reading for comparison."""
    macros = project.function_macros - project.function_names
    total, as_undefined, shown = 0, 0, []
    for record, entry in undefined_entries(records):
        total += 1
        base, name = T.call_name(entry)
        if not base and name in macros:
            as_undefined += 1
            shown.append('%s: %s' % (record.name, entry))
    listed = sum(len(r.list(T.TAG_MACROS)) for r in records.values())
    by_reading = sum(len(r.plain & macros) for r in readings.values())
    T.line(corpus, '定義なし entries that are function-like macros of the project', as_undefined,
           total, '0')
    print('%s: [マクロ関数] entries %d; (function, macro) pairs by reading %d' % (
        corpus, listed, by_reading))
    T.examples('macros under 定義なし', shown)


def cut_calls(corpus, records):
    """Call texts of the raw records (func_als/, every call as the body
    analysis wrote it) whose parentheses do not balance (string and
    character literals aside): the text was cut short."""
    total, bad, shown = 0, 0, []
    for record in records.values():
        for call in record.list(T.TAG_CALLS):
            total += 1
            if not T.balanced(call):
                bad += 1
                shown.append('%s: %s' % (record.name, call))
    T.line(corpus, 'call texts cut short (unbalanced parentheses)', bad, total, '0')
    T.examples('cut', shown)


def member_calls(corpus, unique, readings):
    """Member calls (x->ops->init(a)) recorded as a plain call (init(a)): the
    body calls the name only through a member, the record lists it bare."""
    total, bad, shown = 0, 0, []
    for record, definition in unique:
        reading = readings[definition]
        only_member = reading.member - reading.plain
        total += len(only_member)
        bare = {T.call_name(c)[1] for c in record.list(T.TAG_CALLS) if not T.call_name(c)[0]}
        for name in sorted(only_member & bare):
            bad += 1
            shown.append('%s (%s): %s' % (record.name, definition.path, name))
    T.line(corpus, 'member callees recorded without their base', bad, total)
    T.examples('member calls', shown)


# ------------------------------------------------------------ placeholders

def placeholders(corpus, work, records, project):
    """"Not Found Function" records (each with its page and 関数一覧 entry)
    that no line of the prototype list declares as a function."""
    lines = T.prototype_lines(work)
    total, bad, shown = 0, 0, []
    for rname, record in records.items():
        if not record.placeholder:
            continue
        total += 1
        if not any(T.is_declaration(l, project) for l in lines.get(rname, [])):
            bad += 1
            text = ' '.join(lines.get(rname, ['(no prototype line)'])[0].split('\t'))
            shown.append('%s: %s' % (rname, text[:120]))
    T.line(corpus, '"Not Found Function" records that are no prototype', bad, total, '0')
    T.examples('placeholders', shown)


# ------------------------------------------------------------ main

def main():
    if len(sys.argv) < 3:
        sys.exit('usage: calls.py WORK_FOLDER PREPROCESSED_COPY [CORPUS_NAME]')
    work, copy = sys.argv[1], sys.argv[2]
    corpus = sys.argv[3] if len(sys.argv) > 3 else os.path.basename(os.path.normpath(copy))
    project = T.Project(copy, T.run_ctags(copy), os.path.basename(os.path.normpath(copy)))
    raw = T.load_records(work, 'func_als')
    final = T.load_records(work, 'FunctionList4')

    readings, unique, readings_by_record = {}, [], {}
    for rname, record in raw.items():
        definition = project.definition_of(record)
        if definition is None or len(project.definitions_by_name[definition.name]) != 1:
            continue
        readings[definition] = Reading(project.body(definition))
        unique.append((record, definition))
        readings_by_record[rname] = readings[definition]
    print('%s: functions defined once with a record: %d of %d names' % (
        corpus, len(unique), len(project.definitions_by_name)))
    callee_recall(corpus, unique, readings)
    undefined_but_defined(corpus, final, project, readings_by_record)
    macro_calls(corpus, final, project, readings)
    cut_calls(corpus, raw)
    member_calls(corpus, unique, readings)
    placeholders(corpus, work, final, project)


if __name__ == '__main__':
    main()
