"""The corpus of example imports (tests/corpus/README.md) through the Python module: every
case imported in the component's layout, with the account kept, and compared with its
expected records, merged message file (time stamp masked), partial message files and,
where the case has one, its expected account. Diff cases are the command line's."""

import json
import os
import re
import shutil
import sqlite3
from pathlib import Path

import pytest

import tessaro

CORPUS = Path(os.environ.get("TESSARO_CORPUS", Path(__file__).resolve().parents[2] / "tests" / "corpus"))
SHARED = Path(os.environ.get("TESSARO_SHARED_DIR", Path(__file__).resolve().parents[3] / "shared"))
SETTING = re.compile(r"^\s*([^#\s][^=]*?)\s*=\s*(.*?)\s*$")
STAMP = re.compile(rb"^(--.*--)\d\d-\d\d-\d\d \d\d\.\d\d\.\d\d(\r?)$", re.MULTILINE)


def masked(messages):
    return STAMP.sub(rb"\1MM-DD-YY HH.MM.SS\2", messages)


def case_file(case, name):
    """A file a case names: shared/... from ../shared beside the project, else the case's."""
    if name.startswith("shared/"):
        if not SHARED.is_dir():
            pytest.skip("no ../shared beside the project")
        return SHARED / name[len("shared/"):]
    return case / name


def read_case(case):
    keys = {"device-code": "1", "device-id": "1"}
    for line in (case / "case.txt").read_text(encoding="utf-8").splitlines():
        match = SETTING.match(line)
        if match:
            keys[match[1]] = match[2]
    return keys


def msg_files(folder, prefix):
    return {p.name[len(prefix):]: p.read_bytes() for p in sorted(folder.iterdir())
            if p.name.startswith(prefix) and p.name.endswith(".Msg")}


def first_difference(expected, got):
    """The first differing line of two texts, or None when they are equal."""
    if expected == got:
        return None
    e, g = expected.split(b"\n"), got.split(b"\n")
    for number in range(max(len(e), len(g))):
        el = e[number] if number < len(e) else b"(end of file)"
        gl = g[number] if number < len(g) else b"(end of file)"
        if el != gl:
            return f"line {number + 1}\n    expected: {el!r}\n    got:      {gl!r}"
    return "line end at the end of the file differs"


def compare_lines(expected_file, got, what):
    """The first difference of got, a list of objects as (name, value) pairs, against the
    JSON lines of expected_file (absent: none), as a list of at most two failures."""
    text = expected_file.read_text(encoding="utf-8") if expected_file.exists() else ""
    expected = [json.loads(line, object_pairs_hook=list) for line in text.splitlines()]
    failures = []
    for number, (e, g) in enumerate(zip(expected, got), start=1):
        if e != g:
            failures.append(f"{expected_file.name} differs at {what} {number}\n    expected: {e}\n    got:      {g}")
            break
    if len(expected) != len(got):
        failures.append(f"{len(got)} {what} lines, {expected_file.name} has {len(expected)}")
    return failures


def account_entry(entry):
    """An account entry as expected.account.jsonl holds it: every field in order, a report's
    types only where it has them."""
    reports = [[("Kind", r.Kind)] + ([("OldType", r.OldType), ("NewType", r.NewType)] if r.OldType or r.NewType else [])
               for r in entry.Reports]
    return [(field, getattr(entry, field)) for field in ("File", "Line", "Name", "OperandArea", "Address", "DataType",
                                                           "Comment", "AbsoluteAddress", "Fate", "Reason")] + \
        [("Reports", reports), ("Key", entry.Key)]


CASES = sorted(p.parent.name for p in CORPUS.glob("*/case.txt"))


@pytest.mark.parametrize("name", CASES)
def test_case(name, tmp_path, monkeypatch):
    case = CORPUS / name
    keys = read_case(case)
    if keys.get("command") == "diff":
        pytest.skip("a diff case: its expected files are the command line's output")
    if keys.get("mnemonics"):
        pytest.skip("a choice of mnemonics: the module reads with its file's detection or the classic one")
    files = keys.get("files", "").split()
    if not files:
        pytest.skip("case.txt names no files")
    sources = [case_file(case, f) for f in files]

    # The component's layout: sources by their names in the root, the component's folder
    # app/bin, the device database two levels above it.
    component = tmp_path / "app" / "bin"
    component.mkdir(parents=True)
    for source in sources:
        if source.exists():
            shutil.copyfile(source, tmp_path / source.name)
    device_db = keys.get("device-db", "sample")
    device_db = Path(os.environ["TESSARO_SAMPLE_DB"]) if device_db in ("", "sample") else case_file(case, device_db)
    if device_db.suffix == ".sql":
        with sqlite3.connect(tmp_path / "KorvoDEV.dbr") as db:
            db.executescript(device_db.read_text(encoding="utf-8"))
        db.close()
    else:
        shutil.copyfile(device_db, tmp_path / "KorvoDEV.dbr")

    monkeypatch.chdir(tmp_path)
    try:
        result = tessaro.import_files([s.name for s in sources], component_dir=component,
                                      device_code=int(keys["device-code"]), device_id=int(keys["device-id"]),
                                      device_name=keys.get("device-name", ""), language=keys.get("language") or None,
                                      codepage=keys.get("codepage") or "WINDOWS-1252", reading=keys.get("reading") or "exact",
                                      account=True)
        imported = True
    except tessaro.ImportFailed as failure:
        result, imported = failure.partial, False

    failures = []
    if imported != (keys.get("imported") != "no"):
        failures.append("the import succeeded" if imported else "the import failed")
    failures += compare_lines(case / "expected.jsonl", [list(record.items()) for record in result.to_records()],
                              "record")
    if (case / "expected.account.jsonl").exists():
        failures += compare_lines(case / "expected.account.jsonl",
                                  [account_entry(entry) for entry in result.account or []], "entry")

    merged = tmp_path / "app" / "Messenger.Msg"
    written = merged.read_bytes() if merged.exists() else b""
    expected_msg = (case / "expected.msg").read_bytes() if (case / "expected.msg").exists() else b""
    difference = first_difference(expected_msg, masked(written))
    if difference:
        failures.append(f"expected.msg differs at {difference}")
    if result.message_bytes != written:
        failures.append("Import.message_bytes is not the merged file the import wrote")
    if msg_files(case, "expected.") != msg_files(component, ""):
        failures.append("the partial files left differ from the expected.N.Msg files: "
                        + (" ".join(msg_files(component, "")) or "none left"))
    assert not failures, f"{name} [python] " + "\n".join(failures)
