"""Tessaro: the variables of an S7 controller from its export files.

Import a symbol table (.ASC) and data-block sources (.AWL) and get the variables as
records mapped to the data areas and types of a target device:

    import tessaro
    plant = tessaro.import_files(["Plant.ASC", "Plant.AWL"])
    print(len(plant.variables), plant.variables[0].Name, plant.reports)
    plant.to_dataframe().to_csv("plant.csv", index=False)

import_files() runs one import and returns an Import; a failed import raises
ImportFailed. diff() compares two imports (Import objects or saved ones) as `tessaro
diff` does. devices() lists the devices of a device database. Imports release the
interpreter's lock: several threads import side by side (all with one code page, which
is the process's).
"""

import os
import sys

from . import _tessaro
from ._tessaro import AccountEntry, Device, DeviceDataArea, DeviceDataType, FileReading, LineReport, Variable

__version__ = _tessaro.__version__
for _class in (AccountEntry, Device, DeviceDataArea, DeviceDataType, FileReading, LineReport):
    _class.__module__ = __name__
del _class
__all__ = [
    "import_files", "devices", "diff", "Import", "ImportFailed", "Comparison", "Change", "Variable", "AccountEntry", "LineReport", "FileReading",
    "Device", "DeviceDataArea", "DeviceDataType", "FIELD_NAMES", "REPORT_KINDS", "__version__",
]

#: The 15 fields of a record, in the records' order.
FIELD_NAMES = Variable.__match_args__
#: The kinds of report, by message file 1 to 6.
REPORT_KINDS = ("type-conversion", "same-name", "file-error", "not-for-the-device", "incomplete-block", "to-check")

_SUFFIXES = (".asc", ".sdf", ".dif", ".awl")


class ImportFailed(Exception):
    """An import that stopped on a step: the message files' folder, the device database.

    reason is the library's description of what failed, number the run-time error
    number it keeps, partial the Import with what was imported and reported before.
    """

    def __init__(self, reason, number, partial):
        super().__init__(reason)
        self.reason = reason
        self.number = number
        self.partial = partial

    def __str__(self):
        return f"{self.reason} (error {self.number})"


class Import:
    """The outcome of one import: its variables, messages, reports, readings and account."""

    __slots__ = ("_result", "_variables")

    def __init__(self, result):
        self._result = result
        self._variables = None

    @property
    def variables(self):
        """The imported variables, a list of Variable (a tuple with named fields) in the
        records' order."""
        if self._variables is None:
            self._variables = self._result.take_variables()
        return self._variables

    @property
    def messages(self):
        """The message log this import wrote (the merged message file's text), as str
        with its lines ended by newline characters."""
        return self._result.messages.replace("\r\n", "\n")

    @property
    def message_bytes(self):
        """The same message log as the component writes it: bytes in the code page, CR LF."""
        return self._result.message_bytes

    @property
    def reports(self):
        """The number of reports by kind (REPORT_KINDS), e.g. {'type-conversion': 2, ...}."""
        counts = self._result.report_counts
        return {kind: counts[number] for number, kind in enumerate(REPORT_KINDS, start=1)}

    @property
    def readings(self):
        """What each source was read as (FileReading), in the order the import read them."""
        return self._result.readings

    @property
    def account(self):
        """The account's entries (AccountEntry), one per symbol or value line read, when
        the import was asked for it (account=True); else None."""
        return self._result.account if self._result.has_account else None

    @property
    def code_page(self):
        """The code page the sources were read in and the messages written in."""
        return self._result.code_page

    def summary(self):
        """The import's summary, as the command line's --summary writes it: a dict with the
        lines of each fate and reason per file and in all, what each file was read as, and
        the reports of each kind (the lines and fates need account=True)."""
        import json
        return json.loads(self._result.summary_json)

    def to_records(self):
        """The variables as a list of dicts, field name to value, in the records' order."""
        return [dict(zip(FIELD_NAMES, variable)) for variable in self.variables]

    def to_dataframe(self):
        """The variables as a pandas DataFrame, one column per field (needs pandas)."""
        try:
            import pandas
        except ImportError as error:
            raise ImportError("Import.to_dataframe() needs pandas, which is not installed "
                              "(Debian: apt install python3-pandas)") from error
        return pandas.DataFrame.from_records(self.variables, columns=list(FIELD_NAMES))

    def __len__(self):
        return len(self.variables)

    def __repr__(self):
        kinds = ", ".join(f"{n} {k}" for k, n in self.reports.items() if n)
        return f"<tessaro.Import: {len(self.variables)} variables{'; ' + kinds if kinds else ''}>"


def _path(value, what):
    try:
        return os.fsdecode(os.fspath(value))
    except TypeError:
        raise TypeError(f"{what} takes a str or os.PathLike, not {type(value).__name__}") from None


def _int32(value, what):
    if not isinstance(value, int) or isinstance(value, bool):
        raise TypeError(f"{what} takes an int, not {type(value).__name__}")
    if not -2**31 <= value < 2**31:
        raise ValueError(f"{what} must fit in 32 bits, not {value}")
    return value


def _sample_device_db():
    """The bundled sample device database: share/tessaro/samples under the prefix the
    module is installed in, or samples/ in the build tree."""
    folder = os.path.dirname(os.path.abspath(__file__))
    while True:
        for candidate in ("share/tessaro/samples/KorvoDEV.dbr", "samples/KorvoDEV.dbr"):
            path = os.path.join(folder, candidate)
            if os.path.isfile(path):
                return path
        parent = os.path.dirname(folder)
        if parent == folder:
            raise FileNotFoundError("the sample device database KorvoDEV.dbr is not installed; name one with device_db=")
        folder = parent


def import_files(paths, *, device_code=1, device_id=1, device_name="", device_db=None, language=None,
                 codepage=None, reading="auto", account=False, component_dir=None):
    """Imports the variables of the files at paths (str or os.PathLike; symbol tables
    .ASC, .SDF or .DIF and data-block sources .AWL, any letter case) and returns an Import.

    device_code: the device whose data areas and types the device database gives.
    device_id: the host's device identifier written into every record.
    device_name: the name heading the message log.
    device_db: the device database (default: the bundled sample one).
    language: the messages' language, "en", "it", "fr", "es", "de", "zh" or 1 to 6
      (default: the component's settings, English without them).
    codepage: the code page of the sources and messages, e.g. "CP1251", "CP936"
      (default: TESSARO_CODEPAGE, else CP936 for Chinese messages, else Windows-1252).
      The code page is the process's: imports on other threads must use the same one.
    reading: "auto" reads what real exports hold beyond the classic reading (lone LF
      line ends, tabs, whole data-block names, English mnemonics, value lines commented
      out with //, passed over) and notes on standard error where it did; "exact" reads as the component always has.
    account: keep the import's account (Import.account).
    component_dir: import in this component folder instead of a private one: the device
      database two levels above it, the merged message file one level above, where the
      messages then stay (like the command line's --component-dir).

    Files that cannot be read are reported in the messages, as the import does; files
    named otherwise are skipped with a note on standard error. Raises
    ImportFailed when the import stops on a step, TypeError or ValueError for bad
    arguments.
    """
    if isinstance(paths, (str, bytes)) or hasattr(paths, "__fspath__"):
        paths = [paths]
    try:
        files = [_path(p, "paths") for p in paths]
    except TypeError as error:
        if "not iterable" in str(error):
            raise TypeError(f"paths takes a path or a list of paths, not {type(paths).__name__}") from None
        raise
    if not files:
        raise ValueError("paths names no file")
    for file in files:
        if not file.lower().endswith(_SUFFIXES):
            print(f"tessaro: skipped {file}: only files named *.ASC, *.SDF, *.DIF or *.AWL are imported",
                  file=sys.stderr)
    device_code = _int32(device_code, "device_code")
    device_id = _int32(device_id, "device_id")
    if not isinstance(device_name, str):
        raise TypeError(f"device_name takes a str, not {type(device_name).__name__}")
    if reading not in ("auto", "exact"):
        raise ValueError(f"reading takes 'auto' or 'exact', not {reading!r}")
    if not isinstance(account, bool):
        raise TypeError(f"account takes a bool, not {type(account).__name__}")

    language_id = 0
    if language is not None:
        if isinstance(language, bool) or not isinstance(language, (str, int)):
            raise TypeError(f"language takes a str or an int, not {type(language).__name__}")
        language_id = _tessaro._language_id(str(language))
        if language_id is None:
            raise ValueError(f"language takes one of en, it, fr, es, de, zh or 1-6, not {language!r}")

    if codepage is not None and not isinstance(codepage, str):
        raise TypeError(f"codepage takes a str, not {type(codepage).__name__}")
    page = codepage or os.environ.get("TESSARO_CODEPAGE") or ("CP936" if language_id == 6 else "WINDOWS-1252")

    if component_dir is not None:
        if device_db is not None:
            raise ValueError("device_db and component_dir exclude each other: the component's device database "
                             "is two levels above its folder")
        component_dir = _path(component_dir, "component_dir")
        if not os.path.isdir(component_dir):
            raise ValueError(f"component_dir: {component_dir} is no folder")
    else:
        device_db = _sample_device_db() if device_db is None else _path(device_db, "device_db")
        if not os.path.isfile(device_db):
            raise FileNotFoundError(f"the device database {device_db} is not there")

    result = _tessaro._import([os.fsencode(f) for f in files], device_code, device_id, device_name, device_db,
                              component_dir, language_id, page, reading == "exact", account)
    outcome = Import(result)
    _note_readings(outcome.readings)
    if not result.imported:
        raise ImportFailed(result.failure_description, result.failure_number, outcome)
    return outcome


def _note_readings(readings):
    """Says on standard error where a file was read beyond the classic reading, and where
    an SDF or DIF file stopped fitting its format."""
    for r in readings:
        if r.Failure and r.Format in ("SDF", "DIF"):
            print(f"tessaro: file error in {r.SourceId}: {r.Failure}", file=sys.stderr)
        if not r.differs():
            continue
        print(f"tessaro: {r.SourceId}: {r.said()}", file=sys.stderr)


class Change:
    """One variable that differs between two imports: kind is "added", "removed",
    "changed" or "renamed"; old and new the Variable on each side (None where there is
    none); columns the fields that differ, (name, old, new) as text, Name first."""

    __slots__ = ("kind", "old", "new", "columns")

    def __init__(self, kind, old, new, columns):
        self.kind, self.old, self.new, self.columns = kind, old, new, columns

    def __repr__(self):
        name = (self.new if self.new is not None else self.old).Name
        return f"<tessaro.Change {self.kind} {name!r}{': ' + ', '.join(c[0] for c in self.columns) if self.columns else ''}>"


class Comparison:
    """What changed between two imports: changes (Change, added, changed and renamed in
    the new import's order, then removed in the old's) and their counts; true when the
    imports differ."""

    __slots__ = ("changes", "summary")

    def __init__(self, changes, summary):
        self.changes = [Change(*change) for change in changes]
        self.summary = summary  #: "12 added, 3 removed, 5 changed, 1 renamed", or "no difference"

    def _count(self, kind):
        return sum(1 for change in self.changes if change.kind == kind)

    added = property(lambda self: self._count("added"))
    removed = property(lambda self: self._count("removed"))
    changed = property(lambda self: self._count("changed"))
    renamed = property(lambda self: self._count("renamed"))

    def __bool__(self):
        return bool(self.changes)

    def __len__(self):
        return len(self.changes)

    def __iter__(self):
        return iter(self.changes)

    def __repr__(self):
        return f"<tessaro.Comparison: {self.summary}>"


def diff(old, new, *, renames=True, codepage=None):
    """Compares two imports with the command line's `tessaro diff`: each side an Import or
    a saved one (a file `tessaro import` wrote as JSON lines or CSV, str or os.PathLike).
    Records match by their key (the name in any letter case and the device); a removed
    and an added variable at one data area, type and address are a rename unless
    renames=False. Returns a Comparison; a saved file that cannot be read raises
    ValueError naming its line."""
    if not isinstance(renames, bool):
        raise TypeError(f"renames takes a bool, not {type(renames).__name__}")
    sides = []
    for what, side in (("old", old), ("new", new)):
        if isinstance(side, Import):
            sides.append((side.variables, side._result))
        else:
            try:
                sides.append(os.fsencode(os.fspath(side)))
            except TypeError:
                raise TypeError(f"{what} takes an Import or the path of a saved import, "
                                f"not {type(side).__name__}") from None
    if codepage is not None and not isinstance(codepage, str):
        raise TypeError(f"codepage takes a str, not {type(codepage).__name__}")
    pages = [side.code_page for side in (old, new) if isinstance(side, Import)]
    page = codepage or (pages[0] if pages else os.environ.get("TESSARO_CODEPAGE") or "WINDOWS-1252")
    return Comparison(*_tessaro._diff(sides[0], sides[1], renames, page))


def devices(device_db=None):
    """The devices of a device database (default: the bundled sample one), with their
    data areas and types, in the order the database holds them: a list of Device."""
    path = _sample_device_db() if device_db is None else _path(device_db, "device_db")
    if not os.path.isfile(path):
        raise FileNotFoundError(f"the device database {path} is not there")
    return _tessaro._devices(path)
