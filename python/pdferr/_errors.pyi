class FileError(OSError):
    file: str
    line: int
    field: str
    reason: str
    def __init__(self, message: str, file: str = ..., line: int = ..., field: str = ...,
                 reason: str = ...) -> None: ...

class DomainError(ValueError):
    index: int | None
    def __init__(self, message: str, index: int = ...) -> None: ...
