#!/usr/bin/env python3
"""description_count.py [WORK_FOLDER]

How much of a project its comments describe, after `kavenor analyze`: the
functions whose final record carries description sections (and a summary),
the parameters and locals with a description, and the file-level variables,
constants and #defines of the description files (COMMENT/) with one.

WORK_FOLDER defaults to ./vcwk012345.
"""
import os
import sys


def lines_of(path):
    with open(path, 'rb') as f:
        return f.read().decode('cp932', errors='replace').replace('\r\n', '\n').split('\n')


def sections(lines):
    """tag -> entries, the first section of each tag."""
    out, tag, at_tag = {}, None, True
    for line in lines:
        if line == '':
            at_tag, tag = True, None
            continue
        if at_tag:
            tag, at_tag = line, False
            out.setdefault(tag, [])
            continue
        if tag is not None:
            out[tag].append(line)
    return out


def names(entries, none='NONE'):
    return [e.split('\t')[0] for e in entries if e not in (none, 'void')]


def declared_name(line):
    parts = [p for p in line.split('\t') if p]
    return parts[-1].split('[')[0] if parts else ''


def main():
    work = sys.argv[1] if len(sys.argv) > 1 else './vcwk012345'
    records = os.path.join(work, 'FunctionList4')
    functions = described = summarised = 0
    params = params_described = local_count = locals_described = 0
    for name in sorted(os.listdir(records)):
        lines = lines_of(os.path.join(records, name))
        if 'Not Found Function' in lines[:1]:
            continue
        functions += 1
        s = sections(lines)
        record_params = [declared_name(l) for l in s.get('[引数定義]', []) if l != 'void']
        record_locals = [declared_name(l) for l in s.get('[テンポラリ変数]', []) if l != 'NONE']
        params += len(record_params)
        local_count += len(record_locals)
        if '[関数説明]' not in s:
            continue
        described += 1
        summarised += s['[関数説明]'] != ['NONE']
        params_described += len(set(names(s.get('[引数説明]', []))) & set(record_params))
        locals_described += len(set(names(s.get('[テンポラリ変数説明]', []))) & set(record_locals))

    kinds = {}
    comment = os.path.join(work, 'COMMENT')
    for name in sorted(os.listdir(comment)) if os.path.isdir(comment) else []:
        items = {}
        for entry in sections(lines_of(os.path.join(comment, name))).get('[変数一覧]', []):
            fields = entry.split('\t', 4)
            if len(fields) < 5:
                continue
            key = (fields[0], fields[1])
            items[key] = items.get(key, False) or fields[4] != ''
        for (kind, _), has_text in items.items():
            total, with_text = kinds.get(kind, (0, 0))
            kinds[kind] = (total + 1, with_text + has_text)

    print(f'functions   {functions:7d}  described {described:7d}  with a summary {summarised:7d}')
    print(f'parameters  {params:7d}  described {params_described:7d}')
    print(f'locals      {local_count:7d}  described {locals_described:7d}')
    for kind in ('公開変数', '内部変数', '外部変数', '固定定数', 'define'):
        total, with_text = kinds.get(kind, (0, 0))
        print(f'{kind:8s}{total:9d}  described {with_text:7d}')


if __name__ == '__main__':
    main()
