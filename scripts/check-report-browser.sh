#!/usr/bin/env bash
# check-report-browser.sh [--screenshot PNG] [--graph-screenshot PNG] [--search-screenshot PNG]
#                         [--index-screenshot PNG] [--code-screenshot PNG] [--address-screenshot PNG] [RESULT_FOLDER]
#
# Opens the HTML report of a result folder in headless Chromium over file://
# and checks what a reader sees: the frames load, the menu links work, and a
# function's record (for the sample's motor_update, with the description
# its comment gives) and source page, its call-graph picture, the search
# field, a call tree and a variable page show their Japanese text (Shift-JIS
# pages decoded right); the function list sorted with files (an ISR(...)
# among them), a callee link showing record and page together, the code view
# jumping from a call to the line that defines the callee, the folding tree,
# the address index.html#<function>; then, in a plain Chromium driven by
# scripts/check-report-plain.js, the frames in step, the address, and the
# folding tree's first screen in real time (within 1 s). Prints one
# PASS/FAIL/SKIP line per check; exits 1 when a check failed.
#
# Without RESULT_FOLDER it analyses samples/engine_ctl in a temporary folder
# and checks that report; when that analysis gives no report, it checks the
# report made from the seeded work folder of tests/golden/report_stage.
# --screenshot writes a picture of the report (a function, its record and
# its source page shown); --graph-screenshot one of the function's call
# graph, --search-screenshot one of the search field with its results;
# --index-screenshot the report as it opens (the function list), 
# --code-screenshot the code view at main's definition, --address-screenshot
# the report opened by the address index.html#main (plain Chromium).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
shot="" graph_shot="" search_shot="" index_shot="" code_shot="" address_shot=""
while [ $# -ge 2 ]; do
  case "$1" in
    --screenshot) shot=$(realpath -m "$2") ;;
    --graph-screenshot) graph_shot=$(realpath -m "$2") ;;
    --search-screenshot) search_shot=$(realpath -m "$2") ;;
    --index-screenshot) index_shot=$(realpath -m "$2") ;;
    --code-screenshot) code_shot=$(realpath -m "$2") ;;
    --address-screenshot) address_shot=$(realpath -m "$2") ;;
    *) break ;;
  esac
  shift 2
done

if ! command -v chromium >/dev/null 2>&1 || ! fc-list :lang=ja | grep -q .; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update
  $SUDO apt-get install -y chromium fonts-ipafont-gothic
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The layout the analysis run's result copy gives, from a work folder.
assemble_result() {  # WORK_FOLDER RESULT
  local w=$1 r=$2
  mkdir -p "$r"
  cp -r "$w/HTML" "$w/FunctionList4" "$w/RAM" "$r/"
  cp "$w/index.html" "$w/brimsole.html" "$r/"
  cp "$w/FILEINFO/FileFuncInfo.txt" "$r/" 2>/dev/null || : >"$r/FileFuncInfo.txt"
}

if [ $# -ge 1 ]; then
  result=$(realpath "$1")
else
  "$root/scripts/build.sh" "$root/build" >/dev/null
  mkdir -p "$work/run/out"
  # The sample with a timer interrupt handler as AVR code writes it, so that
  # the list's wrappers are checked too.
  cp -r "$root/samples/engine_ctl" "$work/engine_ctl"
  printf '%s\n' '#include "types.h"' 'extern ULONG g_rpm;' 'ISR(TIMER0_OVF_vect)' '{' '    g_rpm = 0;' '}' >"$work/engine_ctl/timer_isr.c"
  (cd "$work/run" && "$root/build/src/app/kavenor" analyze "$work/engine_ctl" out >/dev/null 2>&1) || true
  result=$(find "$work/run/out" -mindepth 2 -maxdepth 2 -name index.html -printf '%h\n' | head -n 1)
  if [ -z "$result" ] || [ ! -d "$result/FunctionList4" ] || [ -z "$(ls "$result/FunctionList4")" ]; then
    echo "no report from the sample analysis: checking the seeded report of tests/golden/report_stage"
    mkdir -p "$work/seed"
    cp -r "$root/tests/golden/report_stage/input/." "$work/seed/"
    (cd "$work/seed" && "$root/build/src/report/report_bench" --source 'C:\proj\エンジン制御\' >/dev/null)
    result="$work/result"
    assemble_result "$work/seed/vcwk012345" "$result"
  fi
fi
[ -f "$result/index.html" ] || { echo "no index.html in $result" >&2; exit 1; }
echo "report: $result"

browser() {  # extra flags..., URL last
  chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
    --user-data-dir="$work/profile" --allow-file-access-from-files --disable-web-security \
    "$@" 2>/dev/null
}

# A page that frames the report, drives its links as a reader would and
# writes what it saw. The frames share the file:// origin thanks to the two
# flags above, so the script can read them.
harness() {  # MODE (check|shot)
  cat <<EOF
<!DOCTYPE html><meta charset="utf-8"><body style="margin:0">
<iframe id="report" src="file://$result/index.html" style="width:1400px;height:900px;border:0"></iframe>
<pre id="out"></pre>
<script>
const mode = "$1";
const sleep = ms => new Promise(r => setTimeout(r, ms));
const lines = [];
// By element: frames['top'] would be the window's own top.
const frame = name => document.getElementById('report').contentDocument.querySelector('frame[name="' + name + '"]').contentWindow;
const text = name => { try { return frame(name).document.body.innerText; } catch (e) { return ''; } };
const mojibake = s => /\uFFFD|[ƒ‚„…†‡ˆ‰Š‹ŒŽ]/.test(s);
function check(what, ok, seen) {
  lines.push((ok ? 'PASS ' : 'FAIL ') + what + (ok ? '' : ' -- saw: ' + JSON.stringify((seen || '').slice(0, 200))));
}
function click(frameName, index, match) {
  const links = [...frame(frameName).document.querySelectorAll('a')].filter(a => !match || match(a));
  if (links.length <= index) return false;
  links[index].click();
  return true;
}
// The source page's link to the call-graph picture, then the picture: an
// SVG document whose nodes are links to source pages.
async function checkGraph(fn) {
  const link = [...frame('view').document.querySelectorAll('a')].find(a => (a.getAttribute('href') || '').startsWith('GRAPH/'));
  check('call-graph link on the source page of ' + fn, !!link, text('view'));
  if (!link) return;
  link.click();
  await sleep(1500);
  const svg = frame('view').document.documentElement;
  const names = [...svg.querySelectorAll('text')].map(t => t.textContent);
  const links = [...svg.querySelectorAll('a')].map(a => a.getAttribute('xlink:href') || a.getAttribute('href'));
  check('call graph of ' + fn, svg.tagName === 'svg' && names.includes(fn) && links.includes('../' + fn + '.html') && !names.some(mojibake),
        svg.outerHTML);
  if (mode === 'graph') return;
  // A node opens that function's source page.
  const other = [...svg.querySelectorAll('a')].find(a => { const h = a.getAttribute('xlink:href') || ''; return !h.endsWith('/' + fn + '.html') && h.startsWith('../'); });
  const legend = [...svg.querySelectorAll('a')].find(a => a.getAttribute('xlink:href') === 'legend.html');
  check('call graph links its legend', !!legend, svg.outerHTML);
  if (other) {
    const target = other.getAttribute('xlink:href').replace('../', '').replace('.html', '');
    other.dispatchEvent(new MouseEvent('click', {bubbles: true, cancelable: true, view: frame('view')}));
    await sleep(1500);
    check('graph node opens the source page of ' + target, frame('view').location.href.endsWith('/' + target + '.html'), frame('view').location.href);
  }
}
// The search field in the menu frame: typing part of a name lists the
// matches in the list frame; a match opens the record and the source page.
async function checkSearch(fn) {
  const field = frame('top').document.getElementById('kvsearch');
  check('search field in the menu frame', !!field, text('top'));
  if (!field) return;
  const part = fn.slice(0, Math.min(3, fn.length));
  for (const length of [1, part.length]) {
    field.value = part.slice(0, length);
    field.dispatchEvent(new Event('input', {bubbles: true}));
    await sleep(400);
  }
  await sleep(1000);
  const found = [...frame('list').document.querySelectorAll('a')].find(a => a.textContent === fn);
  check('search for "' + part + '" lists ' + fn, text('list').includes('検索') && !!found && !mojibake(text('list')), text('list'));
  if (!found || mode === 'search') return;
  found.click();
  await sleep(1500);
  check('search result opens the record of ' + fn, text('mid').includes('[関数名称]') && text('mid').includes(fn), text('mid'));
}
// The function list: each name once, sorted ignoring case, each with the
// file that defines it; an interrupt handler written as ISR(...) is listed.
function checkIndex() {
  const rows = [...frame('list').document.querySelectorAll('a')].filter(a => (a.getAttribute('href') || '').startsWith('javaScript:'));
  const names = rows.map(a => a.textContent);
  const sorted = [...names].sort((a, b) => { const x = a.toLowerCase(), y = b.toLowerCase(); return x < y ? -1 : x > y ? 1 : (a < b ? -1 : a > b ? 1 : 0); });
  check('function list sorted ignoring case, each once', names.length > 0 && names.join('\n') === sorted.join('\n') && new Set(names).size === names.length, names.join(' '));
  const withFile = rows.filter(a => { const f = a.nextElementSibling && a.nextElementSibling.querySelector('a'); return f && /^CODE\/.*#L\d+$/.test(f.getAttribute('href')); });
  check('function list gives each defined function its file (' + withFile.length + ' of ' + rows.length + ')', withFile.length > 0 && /\.(c|h|cpp)$/i.test(withFile[0].nextElementSibling.textContent), text('list'));
  const isr = names.find(n => n.startsWith('ISR('));
  if (isr) check('interrupt handler in the function list: ' + isr, true);
  else lines.push('SKIP interrupt handler in the function list: the project has none');
  return isr;
}
// A ◆ link of the source page: the callee's record and page together.
async function checkCallee(fn) {
  // Callers and callees in the record are links (to the pages the ◆ open).
  const recorded = [...frame('mid').document.querySelectorAll('pre a')].map(a => a.getAttribute('href').replace('../', ''));
  const diamonds = [...frame('view').document.querySelectorAll('a')].filter(a => a.textContent === '\u25c6');
  const callee = diamonds.find(a => recorded.includes(a.getAttribute('href').trim())) || diamonds[0];
  if (!callee) { lines.push('SKIP callee link: ' + fn + ' calls nothing'); return; }
  const target = callee.getAttribute('href').trim().replace('.html', '');
  callee.click();
  await sleep(1500);
  check('callee link shows the record and the page of ' + target,
        frame('view').location.href.endsWith('/' + target + '.html') &&
        (frame('mid').location.href.endsWith('/REC/' + target + '.html') && text('mid').includes('[関数名称]') ||
         frame('mid').location.href.endsWith('/REC/(none).html') && text('view').includes('Not Found')),
        frame('mid').location.href + ' ' + frame('view').location.href);
  // Callers and callees in the record are links: the callee's record names
  // at least its caller.
  if (frame('mid').location.href.endsWith('/REC/' + target + '.html'))
    check('record pane of ' + target + ' links its callers and callees',
          [...frame('mid').document.querySelectorAll('pre a')].some(a => a.getAttribute('href') === '../' + fn + '.html'), text('mid'));
  else if (recorded.length > 0)
    check('record pane of ' + fn + ' links its callers and callees', true);
  else
    lines.push('SKIP record pane links: neither ' + fn + ' nor ' + target + ' has a caller or callee with a record');
}
// The code view: a call jumps to the line that defines the callee.
async function checkCodeView(fn) {
  const row = [...frame('list').document.querySelectorAll('a')].find(a => a.textContent === fn);
  const file = (row && row.nextElementSibling && row.nextElementSibling.querySelector('a')) ||
               [...frame('list').document.querySelectorAll('a')].find(a => /^CODE\//.test(a.getAttribute('href') || ''));
  if (!file) { check('code view link in the function list', false, text('list')); return; }
  file.click();
  await sleep(1500);
  const doc = frame('view').document;
  const style = doc.querySelector('pre') && frame('view').getComputedStyle(doc.querySelector('pre'));
  check('code view of ' + file.textContent + ': numbered lines, monospace', !!style && /monospace/.test(style.fontFamily) && doc.querySelectorAll('pre > span[id^="L"]').length > 3 && !mojibake(doc.body.innerText), doc.body.innerText);
  const call = [...doc.querySelectorAll('pre a')].filter(a => /#L\d+$/.test(a.getAttribute('href') || '') && !a.classList.contains('d') && !a.classList.contains('h'))
    .find(a => { const n = a.nextSibling; return n && n.textContent && n.textContent.startsWith('('); });
  if (!call) { lines.push('SKIP code view call: no call in ' + file.textContent); return; }
  const line = call.getAttribute('href').split('#')[1];
  call.click();
  await sleep(1500);
  const w = frame('view'), target = w.document.getElementById(line);
  const box = target && target.getBoundingClientRect();
  check('code view: the call of ' + call.textContent + ' shows the line ' + line + ' that defines it',
        w.location.hash === '#' + line && !!target && box.top > -2 && box.top < w.innerHeight && target.textContent.includes(call.textContent) &&
        w.getComputedStyle(target).backgroundColor !== 'rgba(0, 0, 0, 0)', w.location.href + ' top ' + (box && box.top));
}
// index.html#<function>: the report opens on that function's record and page.
async function checkDeepLink(fn) {
  const report = document.getElementById('report');
  report.src = 'file://$result/index.html#' + encodeURIComponent(fn);
  await sleep(2500);
  check('address index.html#' + fn + ' opens its record and page',
        decodeURIComponent(frame('mid').location.href).endsWith('/REC/' + fn + '.html') &&
        decodeURIComponent(frame('view').location.href).endsWith('/' + fn + '.html') && text('mid').includes(fn),
        frame('mid').location.href + ' ' + frame('view').location.href);
}
// The call-tree index opens trees in the wide frame; the folding tree.
async function checkTrees() {
  frame('top').document.querySelectorAll('a')[3].click();
  await sleep(1000);
  const root = [...frame('list').document.querySelectorAll('a')].find(a => /CallTree_/.test(a.getAttribute('href') || ''));
  if (root) {
    check('call trees open in the wide frame', root.getAttribute('target') === 'view', root.outerHTML);
  }
  const folding = [...frame('list').document.querySelectorAll('a')].find(a => /full_tree\.html/.test(a.getAttribute('href') || ''));
  check('folding tree in the call-tree index', !!folding, text('list'));
  if (!folding) return;
  folding.click();
  await sleep(2000);
  const toggle = frame('view').document.querySelector('#t span.k:not(:empty)');
  const before = frame('view').document.querySelectorAll('#t li').length;
  if (toggle) { toggle.click(); await sleep(300); }
  const after = frame('view').document.querySelectorAll('#t li').length;
  check('folding tree lists the roots and opens a callee level (' + before + ' -> ' + after + ' lines)', before > 0 && (!toggle || after > before), text('view'));
}
async function run() {
  await sleep(2000);
  check('title bar', text('top').includes('解析結果') && text('top').includes('[関数一覧]') && !mojibake(text('top')), text('top'));
  check('function list', text('list').includes('関数一覧'), text('list'));
  check('placeholder page', text('mid').includes('解析結果をフレーム上'), text('mid'));
  check('function information', text('view').includes('[関数名]') && !mojibake(text('view')), text('view'));
  // The sample's motor_update: its record pane ends with what its comment says.
  const described = [...frame('list').document.querySelectorAll('a')].find(a => a.textContent === 'motor_update');
  if (described) {
    described.click();
    await sleep(1500);
    check('record pane shows the description of motor_update',
          text('mid').includes('[関数説明]') && text('mid').includes('モータ状態更新') && !mojibake(text('mid')), text('mid'));
  }
  // A function: its record in mid, its source page in view.
  let fn = '';
  const named = [...frame('list').document.querySelectorAll('a')].find(a => a.textContent === 'init' || a.textContent === 'main') ||
                [...frame('list').document.querySelectorAll('a')].find(a => /^[A-Za-z_]\w*$/.test(a.textContent)) ||
                frame('list').document.querySelector('a');
  if (named) { fn = named.textContent; named.click(); }
  await sleep(1500);
  check('record of ' + fn, text('mid').includes('[関数名称]') && text('mid').includes(fn) && !mojibake(text('mid')), text('mid'));
  check('source page of ' + fn, text('view').length > 0 && !text('view').includes('Not Found') && !mojibake(text('view')), text('view'));
  if (mode === 'shot') return;
  if (mode === 'graph') return checkGraph(fn);
  if (mode === 'search') return checkSearch(fn);
  checkIndex();
  await checkCallee(fn);
  frame('list').location.reload();
  await sleep(1000);
  await checkCodeView(fn);
  [...frame('list').document.querySelectorAll('a')].find(a => a.textContent === fn).click();
  await sleep(1500);
  await checkGraph(fn);
  await checkSearch(fn);
  await checkTrees();
  // The call-tree menu: the index in list, the first root's tree in mid.
  frame('top').document.querySelectorAll('a')[3].click();
  await sleep(1000);
  check('call-tree index', text('list').includes('ツリー基点') && text('list').includes('全ツリー表示'), text('list'));
  [...frame('list').document.querySelectorAll('a')].find(a => /CallTree_/.test(a.getAttribute('href') || '')).click();
  await sleep(1000);
  check('call tree', text('view').includes('--') && !mojibake(text('view')), text('view'));
  // The variable menu: a variable's access text in mid, its page in view.
  frame('top').document.querySelectorAll('a')[2].click();
  await sleep(1000);
  check('variable list', text('list').includes('変数一覧'), text('list'));
  const vars = [...frame('list').document.querySelectorAll('a')];
  const chosen = vars.find(a => a.textContent === 'cnt') || vars[0];
  if (chosen) chosen.click();
  await sleep(1500);
  check('variable text of ' + (chosen ? chosen.textContent : '?'), text('mid').includes('総アクセス数') && !mojibake(text('mid')), text('mid'));
  const page = frame('view').document.documentElement.innerHTML;
  check('variable page', page.includes('<h5>') || page.includes('<H5>'), page);
  const withAccess = vars.find(a => a.textContent === 'cnt');
  if (withAccess) check('variable page lines', text('view').includes('\u3000\u3000\u3000cnt'), text('view'));
  // The definitions menu.
  frame('top').document.querySelectorAll('a')[4].click();
  await sleep(1000);
  check('definition list', text('list').includes('参照定義'), text('list'));
  await checkDeepLink(fn);
}
run().catch(e => lines.push('FAIL script: ' + e)).finally(() => {
  document.getElementById('out').textContent = '\n' + lines.join('\n') + '\n';
  if (mode !== 'check') document.getElementById('out').style.display = 'none';
});
</script>
EOF
}

harness check >"$work/check.html"
report=$(browser --virtual-time-budget=60000 --dump-dom "file://$work/check.html" |
  sed -n 's/^\(PASS\|FAIL\|SKIP\) /&/p')
# The same report in a plain Chromium (no relaxed file:// rules): frames in
# step, the address of a function, the folding tree's first screen in real
# time.
if ! command -v node >/dev/null 2>&1; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y nodejs >/dev/null
fi
report+=$'\n'$(node "$root/scripts/check-report-plain.js" "$result" | sed -n 's/^\(PASS\|FAIL\|SKIP\) /&/p')
echo "$report"
screenshot() {  # MODE PNG
  harness "$1" >"$work/$1.html"
  browser --virtual-time-budget=12000 --hide-scrollbars --window-size=1400,900 --screenshot="$2" "file://$work/$1.html" >/dev/null
  echo "screenshot: $2"
}
if [ -n "$shot" ]; then screenshot shot "$shot"; fi
if [ -n "$graph_shot" ]; then screenshot graph "$graph_shot"; fi
if [ -n "$search_shot" ]; then screenshot search "$search_shot"; fi
plain_shot() {  # URL PNG
  chromium --headless --no-sandbox --disable-gpu --no-first-run --user-data-dir="$work/plain" --hide-scrollbars \
    --virtual-time-budget=5000 --window-size=1400,900 --screenshot="$2" "$1" >/dev/null 2>&1
  echo "screenshot: $2"
}
if [ -n "$index_shot" ]; then plain_shot "file://$result/index.html" "$index_shot"; fi
if [ -n "$address_shot" ]; then plain_shot "file://$result/index.html#main" "$address_shot"; fi
if [ -n "$code_shot" ]; then
  code=$(grep -o "FunctionList4/main','main.html')\">main</A> <font[^>]*><A href='CODE/[^']*" "$result/HTML/Funclist.html" | sed "s/.*href='//")
  plain_shot "file://$result/HTML/$code" "$code_shot"
fi
[ -n "$report" ] && ! grep -q '^FAIL' <<<"$report"
