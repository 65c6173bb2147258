"""What only the Python module shows: its arguments, exceptions, objects and threads. The
imports themselves are the corpus's (test_corpus.py)."""

import json
import os
import threading
from pathlib import Path

import pytest

import tessaro

PLANT = Path(__file__).resolve().parents[2] / "samples" / "plant"
SOURCES = [PLANT / "Plant.ASC", PLANT / "Plant.AWL"]


@pytest.fixture(scope="module")
def plant():
    return tessaro.import_files(SOURCES, reading="exact")


def test_paths_as_str_pathlike_and_single_path_import_alike(plant):
    as_str = tessaro.import_files([str(p) for p in SOURCES], reading="exact")
    assert as_str.variables == plant.variables
    single = tessaro.import_files(SOURCES[0], reading="exact")
    assert 0 < len(single.variables) < len(plant.variables)


def test_variables_compare_by_fields_and_read_back(plant):
    first = plant.variables[0]
    record = plant.to_records()[0]
    assert list(record) == list(tessaro.FIELD_NAMES) and len(record) == 15
    again = tessaro.Variable(record.values())
    assert again == first and hash(again) == hash(first) and again is not first
    assert tessaro.Variable(dict(record, FieldAdd5=record["FieldAdd5"] + 1).values()) != first
    assert repr(first).startswith(f"tessaro.Variable(Name={first.Name!r}, SectionName=")
    assert isinstance(first.Name, str) and isinstance(first.DeviceId, int) and isinstance(first.Sign, bool)
    with pytest.raises(AttributeError):
        first.Name = "other"


def test_reports_count_what_the_messages_list(plant):
    assert set(plant.reports) == set(tessaro.REPORT_KINDS)
    assert plant.reports["type-conversion"] == plant.messages.count("->")
    assert "\r" not in plant.messages and b"\r\n" in plant.message_bytes
    assert plant.account is None


def test_bad_arguments_say_which_and_why():
    with pytest.raises(TypeError, match="paths takes a path or a list of paths, not int"):
        tessaro.import_files(3)
    with pytest.raises(TypeError, match="paths takes a str or os.PathLike, not NoneType"):
        tessaro.import_files([None])
    with pytest.raises(ValueError, match="paths names no file"):
        tessaro.import_files([])
    with pytest.raises(TypeError, match="device_code takes an int, not str"):
        tessaro.import_files(SOURCES, device_code="1")
    with pytest.raises(ValueError, match="device_id must fit in 32 bits"):
        tessaro.import_files(SOURCES, device_id=2**31)
    with pytest.raises(ValueError, match="language takes one of"):
        tessaro.import_files(SOURCES, language="nl")
    with pytest.raises(ValueError, match="reading takes 'auto' or 'exact'"):
        tessaro.import_files(SOURCES, reading="loose")
    with pytest.raises(ValueError, match='"CP0" is not a code page'):
        tessaro.import_files(SOURCES, codepage="CP0")
    with pytest.raises(FileNotFoundError, match="nowhere.dbr"):
        tessaro.import_files(SOURCES, device_db="nowhere.dbr")
    with pytest.raises(ValueError, match="exclude each other"):
        tessaro.import_files(SOURCES, device_db="x.dbr", component_dir=".")


def test_a_failed_import_carries_reason_number_and_what_it_kept(tmp_path):
    not_a_database = tmp_path / "KorvoDEV.dbr"
    not_a_database.write_bytes(b"no database")
    with pytest.raises(tessaro.ImportFailed) as caught:
        tessaro.import_files(SOURCES, device_db=not_a_database)
    failure = caught.value
    assert failure.number == 75
    assert str(not_a_database) in failure.reason and str(not_a_database) in str(failure)
    assert failure.partial.variables == []


def test_the_language_is_the_calling_threads():
    texts = {}

    def run(language):
        texts[language] = tessaro.import_files(SOURCES, language=language, reading="exact").messages

    threads = [threading.Thread(target=run, args=(language,)) for language in ("de", "it", "en", "fr")]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert "Konversion des Datentyps der Variable" in texts["de"]
    assert "Conversione di tipo dati nella variabile" in texts["it"]
    assert "Conversion of data type of the variable" in texts["en"]
    assert "Conversion de type de donn\u00e9es de la variable" in texts["fr"]


def test_imports_on_threads_run_side_by_side_and_give_the_same_records(plant):
    results = [None] * 4
    entered = threading.Barrier(4)

    def run(index):
        entered.wait()
        results[index] = tessaro.import_files(SOURCES, reading="exact").variables

    threads = [threading.Thread(target=run, args=(i,)) for i in range(4)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert all(result == plant.variables for result in results)


def test_another_code_page_while_an_import_runs_is_refused(tmp_path):
    # One thread imports a large table again and again in Windows-1252; the main thread's
    # imports in that page run beside it, one in Windows-1251 is refused.
    big = tmp_path / "Big.ASC"
    big.write_bytes(b"".join(b"P %-23s I       %d.0 BOOL\r\n" % (b"S%d" % i, i) for i in range(100000)))
    stop, running = threading.Event(), threading.Event()

    def busy():
        while not stop.is_set():
            running.set()
            tessaro.import_files(big, codepage="WINDOWS-1252", reading="exact")

    thread = threading.Thread(target=busy)
    thread.start()
    running.wait()
    try:
        assert tessaro.import_files(SOURCES, codepage="windows-1252", reading="exact").variables
        with pytest.raises(ValueError, match='"CP1251" asked while an import with "WINDOWS-1252" runs'):
            for _ in range(1000):
                tessaro.import_files(SOURCES, codepage="CP1251", reading="exact")
    finally:
        stop.set()
        thread.join()


def test_the_data_frame_has_a_column_per_field(plant):
    pandas = pytest.importorskip("pandas")
    frame = plant.to_dataframe()
    assert isinstance(frame, pandas.DataFrame)
    assert list(frame.columns) == list(tessaro.FIELD_NAMES) and len(frame) == len(plant.variables)
    assert frame.iloc[-1].to_dict() == plant.to_records()[-1]


def test_without_pandas_the_data_frame_names_it(plant, monkeypatch):
    import builtins
    real_import = builtins.__import__

    def no_pandas(name, *args, **kwargs):
        if name == "pandas":
            raise ImportError("No module named 'pandas'")
        return real_import(name, *args, **kwargs)

    monkeypatch.setattr(builtins, "__import__", no_pandas)
    with pytest.raises(ImportError, match="needs pandas"):
        plant.to_dataframe()


def test_devices_list_the_sample_database():
    devices = tessaro.devices()
    assert [d.Code for d in devices] == sorted(d.Code for d in devices)
    assert any(area.Types for device in devices for area in device.Areas)
    with pytest.raises(ValueError, match="cannot read the device database"):
        tessaro.devices(__file__)


def test_the_module_says_its_version_and_documents_itself():
    assert tessaro.__version__.count(".") == 2
    assert "import_files" in tessaro.__doc__ and tessaro.import_files.__doc__


def test_the_summary_counts_the_fates_of_the_account():
    result = tessaro.import_files(SOURCES, reading="exact", account=True)
    summary = result.summary()
    assert summary["lines"] == len(result.account) > len(result.variables)
    assert summary["fates"]["imported"] == len(result.variables)
    assert summary["reports"]["type-conversion"] == result.reports["type-conversion"]
    assert [f["file"] for f in summary["files"]] == [str(p) for p in SOURCES]
    assert result.account[0].File == str(SOURCES[0]) and result.account[0].Fate == "imported"


def saved(path, records):
    path.write_text("".join(json.dumps(r, ensure_ascii=False) + "\n" for r in records), encoding="utf-8")
    return path


def test_diff_compares_imports_and_saved_imports(plant, tmp_path):
    same = tessaro.diff(plant, tessaro.import_files(SOURCES, reading="exact"))
    assert not same and same.summary == "no difference" and len(same) == 0

    records = plant.to_records()
    address = lambda r: tuple(r[f] for f in ("DataAreaId", "DataTypeId", "FieldAdd1", "FieldAdd2", "FieldAdd3"))
    alone = [i for i, r in enumerate(records[1:-1], start=1) if [address(o) for o in records].count(address(r)) == 1]
    changed = dict(records[0], FieldAdd1=records[0]["FieldAdd1"] + 100)
    renamed = dict(records[alone[0]], Name=records[alone[0]]["Name"] + "_new")
    newer = [changed] + records[1:-1]
    newer[alone[0]] = renamed
    comparison = tessaro.diff(plant, saved(tmp_path / "new.jsonl", newer))
    assert (comparison.added, comparison.removed, comparison.changed, comparison.renamed) == (0, 1, 1, 1)
    by_kind = {change.kind: change for change in comparison}
    assert by_kind["changed"].old == plant.variables[0] and by_kind["changed"].new.FieldAdd1 == changed["FieldAdd1"]
    assert ("FieldAdd1", str(records[0]["FieldAdd1"]), str(changed["FieldAdd1"])) in by_kind["changed"].columns
    assert by_kind["renamed"].new.Name == renamed["Name"] and by_kind["removed"].old == plant.variables[-1]
    assert by_kind["removed"].new is None and comparison.summary == "0 added, 1 removed, 1 changed, 1 renamed"

    without_renames = tessaro.diff(plant, tmp_path / "new.jsonl", renames=False)
    assert (without_renames.added, without_renames.removed, without_renames.renamed) == (1, 2, 0)


def test_diff_says_what_it_cannot_compare(plant, tmp_path):
    with pytest.raises(TypeError, match="new takes an Import or the path of a saved import, not int"):
        tessaro.diff(plant, 3)
    broken = tmp_path / "broken.jsonl"
    broken.write_text('{"Name": "x"}\n', encoding="utf-8")
    with pytest.raises(ValueError, match="broken.jsonl:1"):
        tessaro.diff(plant, broken)
