import os
from typing import Any, Iterable, Iterator, Literal, Union

import pandas

_Path = Union[str, os.PathLike[str]]

__version__: str
FIELD_NAMES: tuple[str, ...]
REPORT_KINDS: tuple[str, ...]

class Variable(tuple[str, str, int, int, str, int, int, int, int, int, int, int, int, bool, bool]):
    Name: str
    SectionName: str
    DeviceId: int
    NestingLevel: int
    TagAttribute: str
    DataAreaId: int
    DataTypeId: int
    VariableLen: int
    FieldAdd1: int
    FieldAdd2: int
    FieldAdd3: int
    FieldAdd4: int
    FieldAdd5: int
    Sign: bool
    Warning: bool
    def __new__(cls, values: Iterable[Union[str, int, bool]]) -> Variable: ...

class FileReading:
    SourceId: str
    Format: str
    Lines: int
    LoneLineFeeds: bool
    TabsAsBlanks: bool
    EnglishMnemonics: bool
    MixedMnemonics: bool
    WholeBlockNames: bool
    CommentedValueLines: int
    Failure: str
    def differs(self) -> bool: ...
    def said(self) -> str: ...

class LineReport:
    Kind: int
    OldType: str
    NewType: str

class AccountEntry:
    File: str
    Line: int
    Name: str
    OperandArea: str
    Address: str
    DataType: str
    Comment: str
    AbsoluteAddress: str
    Fate: str
    Reason: str
    Reports: list[LineReport]
    Key: str

class DeviceDataType:
    Id: int | None
    Name: str | None
    AreaId: int | None

class DeviceDataArea:
    Id: int | None
    Name: str | None
    Types: list[DeviceDataType]

class Device:
    Code: int
    Areas: list[DeviceDataArea]
    TypesOfUnlistedAreas: list[DeviceDataType]

class Import:
    @property
    def variables(self) -> list[Variable]: ...
    @property
    def messages(self) -> str: ...
    @property
    def message_bytes(self) -> bytes: ...
    @property
    def reports(self) -> dict[str, int]: ...
    @property
    def readings(self) -> list[FileReading]: ...
    @property
    def account(self) -> list[AccountEntry] | None: ...
    @property
    def code_page(self) -> str: ...
    def summary(self) -> dict[str, Any]: ...
    def to_records(self) -> list[dict[str, Union[str, int, bool]]]: ...
    def to_dataframe(self) -> pandas.DataFrame: ...
    def __len__(self) -> int: ...

class ImportFailed(Exception):
    reason: str
    number: int
    partial: Import

def import_files(
    paths: Union[_Path, Iterable[_Path]],
    *,
    device_code: int = ...,
    device_id: int = ...,
    device_name: str = ...,
    device_db: _Path | None = ...,
    language: str | int | None = ...,
    codepage: str | None = ...,
    reading: Literal["auto", "exact"] = ...,
    account: bool = ...,
    component_dir: _Path | None = ...,
) -> Import: ...
class Change:
    kind: Literal["added", "removed", "changed", "renamed"]
    old: Variable | None
    new: Variable | None
    columns: list[tuple[str, str, str]]

class Comparison:
    changes: list[Change]
    summary: str
    @property
    def added(self) -> int: ...
    @property
    def removed(self) -> int: ...
    @property
    def changed(self) -> int: ...
    @property
    def renamed(self) -> int: ...
    def __bool__(self) -> bool: ...
    def __len__(self) -> int: ...
    def __iter__(self) -> Iterator[Change]: ...

def diff(old: Union[Import, _Path], new: Union[Import, _Path], *, renames: bool = ..., codepage: str | None = ...) -> Comparison: ...
def devices(device_db: _Path | None = ...) -> list[Device]: ...
