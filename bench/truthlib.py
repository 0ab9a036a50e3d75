"""Shared readers for bench/truth.py and bench/calls.py.

Three views of one analysed project, each read on its own terms:
  - the work folder an `analyze` run left (records, lists, access lists), read
    as Shift-JIS text;
  - Universal Ctags on the preprocessed copy (`vcwk012345/DEF/<corpus>/`),
    which is the independent judge of what the project declares;
  - the preprocessed copy itself, read with a small C scanner of our own
    (comments, literals and directives blanked), never with Kavenor's
    tokenizer, so that the measure cannot share its faults.
Standard library only.
"""
import collections
import json
import os
import re
import subprocess

IDENT = re.compile(r'[A-Za-z_]\w*')
IDENT_FULL = re.compile(r'[A-Za-z_]\w*\Z')

# Words that look like an identifier before "(" or in a type, but are no
# variable and no callee.
C_KEYWORDS = frozenset('''
    auto break case char const continue default do double else enum extern float for goto
    if inline int long register restrict return short signed sizeof static struct switch
    typedef union unsigned void volatile while _Alignas _Alignof _Atomic _Bool _Complex
    _Generic _Imaginary _Noreturn _Static_assert _Thread_local alignof alignas bool
    typeof __typeof __typeof__ __attribute __attribute__ asm __asm __asm__ __volatile
    __volatile__ __inline __inline__ __restrict __restrict__ __const __const__ __signed
    __signed__ __extension__ __label__ __alignof __alignof__ __builtin_offsetof
    __builtin_types_compatible_p __builtin_va_arg __int128 _Static_assert static_assert
    __auto_type __seg_fs __seg_gs __thread __typeof_unqual__ typeof_unqual
'''.split())

# Keywords and operator-like words after which "(" does not start a call.
NOT_CALLEES = frozenset('''
    if while for switch return sizeof _Alignof alignof __alignof __alignof__ typeof
    __typeof __typeof__ typeof_unqual __typeof_unqual__ __attribute __attribute__ asm __asm
    __asm__ volatile __volatile __volatile__ _Generic _Static_assert static_assert
    __extension__ __builtin_offsetof __builtin_types_compatible_p __builtin_va_arg
    _Alignas alignas __declspec __pragma _Pragma defined do else case goto
    int char short long unsigned signed float double void bool _Bool
    const __const __const__ restrict __restrict __restrict__ _Atomic struct union enum
'''.split())

STORAGE_WORDS = frozenset('''
    static extern inline __inline __inline__ const volatile register auto _Noreturn
    __extension__ _Thread_local __thread restrict __restrict __restrict__
'''.split())

TYPE_WORDS = frozenset('''
    void char short int long float double signed unsigned _Bool bool _Complex struct
    union enum __int128 __signed __signed__
'''.split())


# ---------------------------------------------------------------- work folder

def read_lines(path):
    """The lines of a Shift-JIS file the way Kavenor reads them: CR removed."""
    with open(path, 'rb') as f:
        data = f.read()
    return data.decode('cp932', errors='replace').replace('\r', '').split('\n')


# Section tags of a record, as the records write them.
TAG_FOLDER = '[フォルダ名]'
TAG_FILE = '[ファイル名]'
TAG_NAME = '[関数名称]'
TAG_TYPE = '[関数型]'
TAG_ARGS = '[引数定義]'
TAG_TEMPS = '[テンポラリ変数]'
TAG_CALLS = '[コール関数]'
TAG_CALLS_DEFINED = '[コール関数（定義あり）]'
TAG_CALLS_UNDEFINED = '[コール関数（定義なし）]'
TAG_MACROS = '[マクロ関数]'
TAG_READS = '[参照変数]'
TAG_DEFINES = '[定義値]'
TAG_WRITES = '[書込み変数]'
TAG_RETURNS = '[戻り値]'
TAG_ACCESS = '[変数アクセス情報]'
TAG_CALLERS = '[コール元]'
RECORD_TAGS = frozenset([TAG_FOLDER, TAG_FILE, TAG_NAME, TAG_TYPE, TAG_ARGS, TAG_TEMPS,
                         TAG_CALLS, TAG_CALLS_DEFINED, TAG_CALLS_UNDEFINED, TAG_MACROS,
                         TAG_READS, TAG_DEFINES, TAG_WRITES, TAG_RETURNS, TAG_ACCESS,
                         TAG_CALLERS])
EMPTY_MARKS = frozenset(['NONE', 'NONE_CALLER'])
PLACEHOLDER = 'Not Found Function'


class Record:
    """One per-function record: its sections as lists of entries ("NONE" dropped)."""

    def __init__(self, record_name, lines):
        self.record_name = record_name
        self.sections = {}
        self.placeholder = any(l.strip() == PLACEHOLDER for l in lines[:2])
        tag = None
        for line in lines:
            if line in RECORD_TAGS:
                tag = line
                self.sections.setdefault(tag, [])
            elif line == '':
                tag = None
            elif tag is not None and line not in EMPTY_MARKS:
                self.sections[tag].append(line)

    def one(self, tag):
        entries = self.sections.get(tag)
        return entries[0] if entries else None

    def list(self, tag):
        return self.sections.get(tag, [])

    @property
    def name(self):
        return self.one(TAG_NAME) or self.record_name

    @property
    def file(self):
        return self.one(TAG_FILE) or ''

    @property
    def folder(self):
        return self.one(TAG_FOLDER) or ''


def load_records(work, folder):
    """Every record of work/<folder>, by record (file) name."""
    root = os.path.join(work, folder)
    records = {}
    if not os.path.isdir(root):
        return records
    for entry in sorted(os.listdir(root)):
        path = os.path.join(root, entry)
        if os.path.isfile(path):
            records[entry] = Record(entry, read_lines(path))
    return records


def declared_name(text):
    """The name a parameter or temporary entry declares: the identifier of a
    "(*name)" declarator, else the last identifier outside brackets
    ("unsigned⇥char⇥buf[10]" -> buf, "char⇥*⇥p⇥" -> p)."""
    m = re.search(r'\(\s*\*+\s*([A-Za-z_]\w*)', text)
    if m:
        return m.group(1)
    words = [w for w in IDENT.findall(empty_brackets(text)) if w not in C_KEYWORDS]
    return words[-1] if words else None


def recorded_locals(record):
    names = set()
    for tag in (TAG_ARGS, TAG_TEMPS):
        for entry in record.list(tag):
            if entry.strip() == 'void':
                continue
            name = declared_name(entry)
            if name:
                names.add(name)
    return names


def empty_brackets(text):
    """text with the contents of every outermost [...] removed."""
    out, depth = [], 0
    for ch in text:
        if ch == '[':
            if depth == 0:
                out.append(ch)
            depth += 1
        elif ch == ']' and depth > 0:
            depth -= 1
            if depth == 0:
                out.append(ch)
        elif depth == 0:
            out.append(ch)
    return ''.join(out)


def call_name(call):
    """The callee of a call text: the identifier right before its first "(",
    with the member path before it ("x->ops->init(a)" -> ("x->ops->", "init"))."""
    head = call.split('(', 1)[0].rstrip()
    m = re.search(r'([A-Za-z_]\w*)\Z', head)
    if not m:
        return '', None
    return head[:m.start()].strip(), m.group(1)


def record_folder_of(path, corpus_name):
    """The folder name a record gives for a file of the copy: the folder that
    holds it, upper-cased (the copy's own folder for files at its top)."""
    parent = os.path.basename(os.path.dirname(path)) or corpus_name
    return parent.upper()


# ---------------------------------------------------------------- ctags

# ctags_name is the name ctags gives; name differs from it only for a
# definition wrapped in a macro (see wrapped_name).
Tag = collections.namedtuple('Tag', 'name kind path line end scope scope_kind typeref signature '
                             'ctags_name file_scope')

CTAGS_KINDS = 'dfpmvxezlstug'
MACRO_NAME = re.compile(r'[A-Z_][A-Z0-9_]*\Z')


def run_ctags(copy):
    """Universal Ctags over the preprocessed copy (.c and .h read as C)."""
    cmd = ['ctags', '--output-format=json', '--languages=C', '--langmap=C:.c.h.C.H',
           '--kinds-C=' + CTAGS_KINDS, '--fields=-P', '--fields=+neSt',
           '-R', '-o', '-', '.']
    proc = subprocess.run(cmd, cwd=copy, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                          check=True)
    tags = []
    for raw in proc.stdout.splitlines():
        try:
            t = json.loads(raw)
        except ValueError:
            continue
        if t.get('_type') != 'tag':
            continue
        path = t['path']
        if path.startswith('./'):
            path = path[2:]
        tag = Tag(t['name'], t['kind'], path, t.get('line', 0), t.get('end', 0),
                  t.get('scope'), t.get('scopeKind'), t.get('typeref', ''),
                  t.get('signature'), t['name'], bool(t.get('file')))
        if tag.kind == 'function':
            tag = tag._replace(name=wrapped_name(tag))
        tags.append(tag)
    return tags


def definition_key(record_name):
    """A record's function name as wrapped_name gives it: the records name a
    wrapped definition with all its arguments made safe,
    BPF_CALL_1(bpf_get_attach_cookie,void_,ctx); the key keeps the first."""
    if '(' not in record_name:
        return record_name
    head, rest = record_name.split('(', 1)
    return '%s(%s)' % (head, re.split(r'[,)]', rest, 1)[0])


def wrapped_name(definition):
    """The name of a definition wrapped in a macro, as the records write it:
    `BPF_CALL_2(bpf_map_pop_elem, struct bpf_map *, map, ...) {` and
    `ISR(TIMER0_OVF_vect) {` are definitions named BPF_CALL_2(bpf_map_pop_elem)
    and ISR(TIMER0_OVF_vect): an all-capitals name whose first parameter is a
    bare word. Other definitions keep their name."""
    if not MACRO_NAME.match(definition.name) or not definition.signature:
        return definition.name
    first = definition.signature.strip()[1:].split(',')[0].split(')')[0].strip()
    if IDENT_FULL.match(first) and first not in C_KEYWORDS:
        return '%s(%s)' % (definition.name, first)
    return definition.name


class Project:
    """What ctags says the project declares, indexed for the measures."""

    def __init__(self, copy, tags, corpus_name):
        self.copy = copy
        self.corpus_name = corpus_name
        self.definitions = [t for t in tags if t.kind == 'function']
        by = collections.defaultdict(set)
        for t in tags:
            by[t.kind].add(t.name)
        # names a call can reach (a wrapped definition's name is no callee)
        self.function_names = {t.name for t in self.definitions if t.name == t.ctags_name}
        self.prototype_names = by['prototype']
        self._sources = {}
        # file-level variables: name -> [(file, static)]
        self.variable_files = collections.defaultdict(list)
        for t in tags:
            if t.kind in ('variable', 'externvar'):
                self.variable_files[t.name].append((t.path, t.file_scope))
        for name, path in self.macro_defined_variables(tags):
            self.variable_files[name].append((path, True))
        self.file_variables = set(self.variable_files)
        self.macros = by['macro']
        self.function_macros = {t.name for t in tags if t.kind == 'macro' and t.signature}
        self.enumerators = by['enumerator']
        self.members = by['member']
        self.type_names = by['struct'] | by['union'] | by['enum'] | by['typedef']
        self.all_names = {t.name for t in tags} | self.file_variables
        self.definitions_by_name = collections.defaultdict(list)
        for d in self.definitions:
            self.definitions_by_name[d.name].append(d)
        # parameters and locals by (file, function name), with their lines
        self.scoped = collections.defaultdict(list)
        for t in tags:
            if t.kind in ('parameter', 'local') and t.scope_kind == 'function':
                self.scoped[(t.path, t.scope)].append(t)

    def macro_defined_variables(self, tags):
        """(name, file) of the file-level variables ctags reports as a
        prototype of a macro: `static DEFINE_MUTEX(lock);` (an all-capitals
        name; the first argument is the variable) and
        `static T x = MAXVAL(T, 64);` (the variable ends the tag's type,
        "typename:T x=")."""
        found = []
        for t in tags:
            if t.kind != 'prototype':
                continue
            if t.typeref.endswith('='):
                words = IDENT.findall(t.typeref.split(':', 1)[-1])
                if words:
                    found.append((words[-1], t.path))
                continue
            if not MACRO_NAME.match(t.name):
                continue
            text = self.source(t.path).lines(t.line, t.line)
            m = re.search(r'\b' + re.escape(t.name) + r'\s*\(\s*([A-Za-z_]\w*)\s*[,)]', text)
            if m:
                found.append((m.group(1), t.path))
        return found

    def function_reachable(self, name, path):
        """Whether a call of name from code in path can reach a definition of
        the project: one of its own file, of a header, or one not static."""
        return any(d.path == path or d.path.lower().endswith('.h') or not d.file_scope
                   for d in self.definitions_by_name.get(name, []) if d.name == d.ctags_name)

    def variable_visible(self, name, path):
        """Whether a file-level variable of that name can be what code in
        path means: one of its own file, of a header, or one not static."""
        return any(p == path or p.lower().endswith('.h') or not static
                   for p, static in self.variable_files.get(name, []))

    def locals_of(self, definition):
        """Parameters and locals ctags sees inside a definition's extent
        (not the words of an asm block, which ctags takes for locals)."""
        end = definition.end or definition.line
        scoped = self.scoped.get((definition.path, definition.ctags_name), [])
        if not scoped:
            return []
        asm = self.source(definition.path).asm_lines
        wrapped = definition.name != definition.ctags_name  # its "parameters" are macro arguments
        return [t for t in scoped if definition.line <= t.line <= end and t.line not in asm
                and not t.name.startswith('__anon') and not (wrapped and t.kind == 'parameter')]

    def definitions_for(self, record):
        """The definitions a record can stand for: same name, file and folder."""
        return [d for d in self.definitions_by_name.get(definition_key(record.name), [])
                if os.path.basename(d.path) == record.file
                and record_folder_of(d.path, self.corpus_name) == record.folder.upper()]

    def definition_of(self, record):
        """The one definition a record stands for; among several alike (same
        file name in same-named folders) the one whose parameters it names."""
        found = self.definitions_for(record)
        if len(found) <= 1:
            return found[0] if found else None
        named = recorded_locals(record)
        return max(found, key=lambda d: len(named & {t.name for t in self.locals_of(d)}))

    def source(self, path):
        """The copy's file, with comments, literals and directives blanked."""
        if path not in self._sources:
            with open(os.path.join(self.copy, path), 'rb') as f:
                text = f.read().decode('latin-1')
            self._sources[path] = CodeText(text)
        return self._sources[path]

    def body(self, definition):
        return self.source(definition.path).body(definition)


# ---------------------------------------------------------------- prototype lines

DECLARATOR_TOKENS = frozenset(['*', ',', '(', ')', '...', '.'])


def split_prototype(line):
    """(tokens before the name, name, parameter tokens) of a prototype line,
    tokens tab-separated as the list writes them; the name is the token
    before the first "(", the parameters run to its matching ")"."""
    tokens = [t for t in line.split('\t') if t != '']
    if '(' not in tokens:
        return None
    i = tokens.index('(')
    depth, params = 0, []
    for t in tokens[i:]:
        depth += t.count('(') - t.count(')')
        if depth == 0:
            break
        params.append(t)
    return tokens[:i - 1] if i else [], tokens[i - 1] if i else '', params[1:]


def parameters(tokens):
    """The parameter list's tokens split at its top-level commas."""
    out, depth = [[]], 0
    for t in tokens:
        if t in ('(', '['):
            depth += 1
        elif t in (')', ']'):
            depth -= 1
        if t == ',' and depth == 0:
            out.append([])
        else:
            out[-1].append(t)
    return [p for p in out if p]


def is_declaration(line, project):
    """True when a prototype line is a function declaration:
    - the name is an identifier that is no function-like macro of the project;
    - only words and "*" stand before it;
    - every parameter is a declaration: no literal and no operator outside
      brackets;
    - a type stands before the name (not only static, extern, inline or
      qualifiers), or else, as old C's implicit int allows (extern _etext();),
      every parameter holds a type keyword or "*" (a macro invocation such as
      static DEFINE_MUTEX(lock); passes bare words)."""
    parts = split_prototype(line)
    if parts is None:
        return False
    before, name, params = parts
    if not IDENT_FULL.match(name) or name in NOT_CALLEES:
        return False
    if name in project.function_macros and name not in project.function_names:
        return False
    if any(not (t == '*' or IDENT_FULL.match(t)) for t in before):
        return False
    depth = 0
    for t in params:
        if t == '[':
            depth += 1
        elif t == ']':
            depth -= 1
        elif depth == 0 and not (t in DECLARATOR_TOKENS or IDENT_FULL.match(t)):
            return False
    if any(t not in STORAGE_WORDS for t in before):
        return True
    return all(any(t in TYPE_WORDS or t == '*' for t in p) for p in parameters(params))


def prototype_lines(work):
    """Name -> the lines of FuncList_ProtType.txt that give it."""
    path = os.path.join(work, 'FuncList_ProtType.txt')
    by_name = collections.defaultdict(list)
    if os.path.exists(path):
        for text in read_lines(path):
            parts = split_prototype(text)
            if parts:
                by_name[parts[1]].append(text)
    return by_name


def declared_type(line, project):
    """The text before the name of a prototype line that declares a function
    (tokens joined by blanks), or None: not a declaration, or an old-style
    definition header (int f(x) int x;) that the list took for one."""
    if not is_declaration(line, project):
        return None
    tokens = [t for t in line.split('\t') if t != '']
    before, name, params = split_prototype(line)
    tail = tokens[len(before) + 1 + len(params) + 2:]
    if tail and tail[-1] == ';':
        tail = tail[:-1]
    if tail and (tail[0] in TYPE_WORDS or tail[0] in STORAGE_WORDS or ';' in tail
                 or (len(tail) > 1 and IDENT_FULL.match(tail[0]) and IDENT_FULL.match(tail[1])
                     and not tail[0].startswith('__'))):
        return None
    return ' '.join(before)


# ---------------------------------------------------------------- C scanner

# `__asm ... __endasm;` (also with one underscore): a block of assembler
# lines; a gcc `__asm (...)` statement has no end word and is not matched.
ASM_BLOCK = re.compile(r'\b_?_asm\b(?:(?!\b_?_asm\b).)*?\b_?_endasm\b', re.S)


class CodeText:
    """A C file with comments, string and character literals, directive
    lines and `__asm ... __endasm;` blocks replaced by blanks (line breaks
    kept, literals keep their quotes), so that every offset and line number
    stays that of the file. asm_lines: the lines of those blocks."""

    def __init__(self, text):
        self.raw = text
        self.code_literals = None  # comments and directives blanked only
        code = list(blank_noncode(text))
        self.asm_lines = set()
        joined = ''.join(code)
        for m in ASM_BLOCK.finditer(joined):
            first = joined.count('\n', 0, m.start()) + 1
            self.asm_lines.update(range(first, first + m.group(0).count('\n') + 1))
            blank(code, m.start(), m.end())
        self.code = ''.join(code)
        self.line_starts = [0]
        for m in re.finditer('\n', self.code):
            self.line_starts.append(m.end())

    def offset(self, line):
        """Where a line (from 1) starts; past the last line, the text's end."""
        if line > len(self.line_starts):
            return len(self.code)
        return self.line_starts[max(line, 1) - 1]

    def lines(self, first, last):
        return self.code[self.offset(first):self.offset(last + 1)]

    def body(self, definition):
        """The code between the body's braces (without them), or '' when the
        header is not where ctags says."""
        text = self.lines(definition.line, definition.end or definition.line)
        m = re.search(r'\b' + re.escape(definition.ctags_name) + r'\s*\(', text)
        if not m:
            return ''
        close = matching_paren(text, m.end() - 1)
        if close < 0:
            return ''
        brace = text.find('{', close)
        last = text.rfind('}')
        if brace < 0 or last <= brace:
            return ''
        return text[brace + 1:last]

    def header_prefix(self, definition, lines_before=4):
        """The declaration text before a definition's or prototype's name:
        from the end of the previous statement, block or directive."""
        first = max(1, definition.line - lines_before)
        # The name may end its line, its "(" beginning the next.
        text = self.lines(first, definition.line + 1)
        end = len(self.lines(first, definition.line))
        found = [m for m in re.finditer(r'\b' + re.escape(definition.ctags_name) + r'\s*\(', text)
                 if m.start() < end]
        m = found[-1] if found else None
        if not m:
            return None
        before = text[:m.start()]
        cut = max(before.rfind(';'), before.rfind('}'), before.rfind('{'))
        # The records keep a header's literals as written (section ("x")).
        if self.code_literals is None:
            self.code_literals = blank_noncode(self.raw, keep_literals=True)
        start = self.offset(first)
        return self.code_literals[start + cut + 1:start + m.start()]


def blank_noncode(text, keep_literals=False):
    """text with comments, literal contents (unless kept) and directive
    lines blanked."""
    out = list(text)
    i, n = 0, len(text)
    at_line_start = True
    while i < n:
        c = text[i]
        if c == '\n':
            at_line_start = True
            i += 1
            continue
        if at_line_start and c in ' \t':
            i += 1
            continue
        if at_line_start and c == '#':
            i = blank_directive(text, out, i)
            continue
        at_line_start = False
        if text.startswith('/*', i):
            j = text.find('*/', i + 2)
            j = n if j < 0 else j + 2
            blank(out, i, j)
            i = j
        elif text.startswith('//', i):
            j = text.find('\n', i)
            j = n if j < 0 else j
            blank(out, i, j)
            i = j
        elif c in '"\'':
            j = literal_end(text, i)
            if not keep_literals:
                blank(out, i + 1, j - 1)
            i = j
        else:
            i += 1
    return ''.join(out)


def blank_directive(text, out, i):
    """Blanks a directive with its continuation lines; returns where it ends."""
    end = text.find('\n', i)
    while end >= 0 and text[i:end].rstrip('\r').endswith('\\'):
        end = text.find('\n', end + 1)
    if end < 0:
        end = len(text)
    blank(out, i, end)
    return end


def literal_end(text, i):
    """Past the literal that opens at i. A string may run over line ends, as
    old compilers let asm strings do; a character literal ends with its line."""
    quote, j, n = text[i], i + 1, len(text)
    while j < n and text[j] != quote and (quote == '"' or text[j] != '\n'):
        j += 2 if text[j] == '\\' else 1
    return min(j + 1, n)


def blank(out, a, b):
    for k in range(a, min(b, len(out))):
        if out[k] != '\n':
            out[k] = ' '


def matching_paren(text, i):
    """Index of the ")" that closes the "(" at i, or -1."""
    depth = 0
    for k in range(i, len(text)):
        if text[k] == '(':
            depth += 1
        elif text[k] == ')':
            depth -= 1
            if depth == 0:
                return k
    return -1


def balanced(text):
    """True when the round parentheses of a text (literals aside) balance."""
    depth = 0
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if c in '"\'':
            i = literal_end(text, i)
            continue
        if c == '(':
            depth += 1
        elif c == ')':
            depth -= 1
            if depth < 0:
                return False
        i += 1
    return depth == 0


CALL_SITE = re.compile(r'(->|\.)?\s*\b([A-Za-z_]\w*)\s*\(')
# T (*name)(...) or T (*name)[...]: a declarator, not a call of T
POINTER_DECLARATOR = re.compile(r'\s*\*+\s*[A-Za-z_]\w*\s*\)\s*[(\[]')


def call_sites(body):
    """(name, is_member) for every identifier followed by "(" in code,
    keywords, operator-like words and function-pointer declarators left out."""
    for m in CALL_SITE.finditer(body):
        name = m.group(2)
        if name in NOT_CALLEES or POINTER_DECLARATOR.match(body, m.end()):
            continue
        yield name, m.group(1) is not None


# ---------------------------------------------------------------- output

DETAIL = int(os.environ.get('DETAIL', '0') or 0)


def examples(title, items):
    """Up to DETAIL (environment) of the items, spread evenly over the list,
    for checking a measure against the source by hand."""
    if not DETAIL or not items:
        return
    print('  e.g. %s (%d):' % (title, len(items)))
    step = max(1, len(items) // DETAIL)
    for item in items[::step][:DETAIL]:
        print('    ' + item)


def pct(part, whole):
    return 100.0 * part / whole if whole else 0.0


def line(corpus, label, part, whole, goal=''):
    """One measure: "corpus: label: part of whole (pct %)  goal ..."."""
    text = '%s: %s: %d of %d (%.1f %%)' % (corpus, label, part, whole, pct(part, whole))
    if goal:
        text += '  goal ' + goal
    print(text)
