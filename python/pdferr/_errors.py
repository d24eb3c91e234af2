"""The exceptions of pdferr."""

from __future__ import annotations


class FileError(OSError):
    """A table or grid file (or a member-set description) that could not be
    opened, read or accepted.

    A subclass of ``OSError``, so that ``except OSError`` catches a missing
    file and a faulty one alike.  Attributes: ``file`` (also ``filename``),
    ``line`` (1-based; 0 when the fault concerns no line, such as a failed
    open), ``field`` (the field or record concerned, ``""`` when none) and
    ``reason``.  ``str()`` gives ``"FILE, line N, FIELD: REASON"``.
    """

    def __init__(self, message: str, file: str = "", line: int = 0, field: str = "",
                 reason: str = "") -> None:
        super().__init__(message)
        self.filename = file
        self.file = file
        self.line = line
        self.field = field
        self.reason = reason

    def __str__(self) -> str:
        return str(self.args[0])

    def __reduce__(self):
        return (type(self), (self.args[0], self.file, self.line, self.field, self.reason))


class DomainError(ValueError):
    """A point outside the domain of an evaluation, or a value that is not
    finite where one is needed.

    A subclass of ``ValueError``.  ``index`` is the flat (C-order) index of
    the first bad point in the broadcast arrays of the call, ``None`` for a
    call on one point.
    """

    def __init__(self, message: str, index: int = -1) -> None:
        super().__init__(message)
        self.index = None if index is None or index < 0 else index

    def __reduce__(self):
        return (type(self), (self.args[0], -1 if self.index is None else self.index))
