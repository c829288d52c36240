"""The numbers named in src/protobuf/schema.hpp, checked against the schema:
field numbers through the descriptor of the compiled schema (the `pb2`
fixture), codes from the lists beside the code fields in forvela.proto."""
import pathlib
import re

import pytest

SRC = pathlib.Path(__file__).resolve().parent.parent / "src" / "protobuf"
# Codes written as symbols in the schema, by the words of their names.
SYMBOLS = {"==": "equal", "!=": "not equal", "<": "less than", "<=": "less than equal",
           ">": "greater than", ">=": "greater than equal"}


def camel(snake):
    return "".join(w[:1].upper() + w[1:] for w in re.split(r"[_ -]", snake))


def header_enums(text):
    """{namespace: {enum: {name: number}}} of schema.hpp."""
    out = {}
    for ns in re.finditer(r"^namespace (\w+) \{$(.*?)^\}  // namespace \1$", text, re.M | re.S):
        enums = out.setdefault(ns.group(1), {})
        for e in re.finditer(r"enum (\w+) : std::u?int\d+_t \{(.*?)\};", ns.group(2), re.S):
            entries = re.findall(r"\bk(\w+) = (-?\d+)", e.group(2))
            assert len(entries) == len(re.findall(r"\bk\w+", e.group(2))), e.group(0)
            enums[e.group(1)] = {n: int(v) for n, v in entries}
    return out


def schema_codes(text):
    """{(message, field): (field type, {code: name})} for every field whose
    comment lists codes ("1 minimize, 2 maximize"; "type: ..." for Bound)."""
    out = {}
    for m in re.finditer(r"^message (\w+) \{$(.*?)^\}$", text, re.M | re.S):
        for f in re.finditer(r"^\s*(\w+) (\w+) = \d+;\s*//\s*(?:type:\s*)?(.*)$", m.group(2), re.M):
            parts = [p.strip() for p in re.split(r"[,;]", f.group(3))]
            pairs = [re.fullmatch(r"(-?\d+) (\S.*)", p) for p in parts]
            if all(pairs):
                out[(m.group(1), f.group(2))] = (
                    f.group(1), {int(p.group(1)): camel(SYMBOLS.get(p.group(2), p.group(2))) for p in pairs})
    return out


@pytest.fixture(scope="module")
def header():
    return header_enums((SRC / "schema.hpp").read_text())


def test_field_numbers_match_the_schema(pb2, header):
    messages = pb2.DESCRIPTOR.message_types_by_name
    named = {ns for ns, enums in header.items() if "Field" in enums}
    assert named == {re.sub(r"(?<!^)([A-Z])", r"_\1", m).lower() for m in messages} | {"map_entry"}
    for name, message in messages.items():
        ns = re.sub(r"(?<!^)([A-Z])", r"_\1", name).lower()
        assert header[ns]["Field"] == {camel(f.name): f.number for f in message.fields}, name
        for entry in message.nested_types:
            assert entry.GetOptions().map_entry
            assert header["map_entry"]["Field"] == {camel(f.name): f.number for f in entry.fields}


def test_codes_match_the_schema(header):
    text = (SRC / "forvela.proto").read_text()
    codes = schema_codes(text)
    assert len(codes) >= 12  # every code field of the schema was found
    claimed = set()
    for (message, field), (ftype, values) in codes.items():
        ns = re.sub(r"(?<!^)([A-Z])", r"_\1", message).lower()
        enum = "BoundType" if ftype == "Bound" else camel(field)
        assert header[ns].get(enum) == {name: code for code, name in values.items()}, (message, field)
        claimed.add((ns, enum))
    unclaimed = {(ns, e) for ns, enums in header.items() for e in enums if e != "Field"} - claimed
    assert not unclaimed
    version = re.search(r"uint64 version = \d+;\s*//\s*(\d+)", text)
    cpp = re.search(r"kFormatVersion = (\d+);", (SRC / "schema.hpp").read_text())
    assert version and cpp and version.group(1) == cpp.group(1)


def test_header_form_is_parsed(header):
    """A number out of the regular form would escape the checks above."""
    text = (SRC / "schema.hpp").read_text()
    assert sum(len(e) for enums in header.values() for e in enums.values()) == len(
        re.findall(r"^\s*k\w+ = -?\d+,$", text, re.M))
