"""The bytes we write and read, checked against Google's runtime compiled
from the same schema (the `pb2` fixture)."""
import re

import pytest

import forvela as fv
from protobuf_models import build

M = build()
ALL = {**M["exprs"], **M["conditions"], **{"c " + k: v for k, v in M["constraints"].items()},
       **{"t " + k: v for k, v in M["terms"].items()}, "problem": M["problem"]}
UUID = re.compile(r"^[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}$")


def parse(pb2, data):
    h = pb2.Header()
    h.ParseFromString(data)
    return h


@pytest.mark.parametrize("name", list(ALL))
def test_written_bytes_are_canonical(pb2, name):
    """The runtime reads every encoding and writes back the very same bytes,
    except for the key of a map entry named "", which it always writes."""
    data = fv.to_protobuf(ALL[name])
    h = parse(pb2, data)
    assert h.version == 1
    again = h.SerializeToString(deterministic=True)
    if name == "problem":  # holds a constraint named ""
        assert parse(pb2, again) == h and len(again) > len(data)
        assert str(fv.from_protobuf(again).constraints[""]) == str(ALL[name].constraints[""])
    else:
        assert again == data


def test_node_tables_children_first_and_deduplicated(pb2):
    for obj in ALL.values():
        h = parse(pb2, fv.to_protobuf(obj))
        exprs = []
        if h.WhichOneof("body") == "expr":
            exprs.append(h.expr)
        for node_table in exprs:
            nodes = node_table.expr_nodes
            assert node_table.root_id == len(nodes) - 1
            assert len({n.SerializeToString() for n in nodes}) == len(nodes)


def test_equal_nodes_far_apart_are_stored_once(pb2):
    """In a table of tens of thousands of nodes, values built apart but equal
    to early ones reuse the early entries."""
    a, x = fv.Placeholder("a", ndim=2), fv.BinaryVar("x", shape=[10])
    e = sum((a[k, 1] * x[k % 10] + a[1, k] for k in range(1, 10_000)), a[0, 1] * x[0])
    e = e + a[3, 1] * x[3] + a[1, 2]
    expr = parse(pb2, fv.to_protobuf(e)).expr
    nodes = [n.SerializeToString() for n in expr.expr_nodes]
    assert len(nodes) > 40_000 and len(set(nodes)) == len(nodes)
    terms = expr.expr_nodes[expr.root_id].commutative_op.term_ids
    assert len(terms) == 20_001 and list(terms[-2:]) == [terms[5], terms[4]]


def test_equal_nodes_of_one_newest_child_are_stored_once(pb2):
    """Forty products name `m` as their newest child; their equals, built
    apart and met in the other order, reuse them all."""
    x, m = fv.BinaryVar("x", shape=[40]), fv.Placeholder("m")
    e = sum((x[k] for k in range(1, 40)), x[0])
    e = sum((x[k] * m for k in range(40)), e)
    e = sum((x[k] * m for k in reversed(range(40))), e)
    expr = parse(pb2, fv.to_protobuf(e)).expr
    nodes = [n.SerializeToString() for n in expr.expr_nodes]
    assert len(set(nodes)) == len(nodes) == 124
    terms = list(expr.expr_nodes[expr.root_id].commutative_op.term_ids)
    assert len(terms) == 120 and terms[80:] == terms[40:80][::-1]


def test_ids_are_fresh_v4_uuids(pb2):
    a, b = (parse(pb2, fv.to_protobuf(M["problem"])) for _ in range(2))
    ids = [a.id, a.problem.id, a.problem.objective_function.id, b.id]
    ids += [c.id for c in a.problem.constraints.values()]
    assert all(UUID.match(i) for i in ids)
    assert len(set(ids)) == len(ids)
    assert a.problem.objective_function.expr_nodes == b.problem.objective_function.expr_nodes


def fields(data):
    """(field number, value) pairs of one message: ints for varints, bytes
    for length-delimited values."""
    out, pos = [], 0

    def varint():
        nonlocal pos
        shift = result = 0
        while True:
            b = data[pos]
            pos += 1
            result |= (b & 0x7F) << shift
            shift += 7
            if b < 0x80:
                return result

    while pos < len(data):
        key = varint()
        if key & 7 == 0:
            out.append((key >> 3, varint()))
        else:
            n = varint()
            out.append((key >> 3, data[pos:pos + n]))
            pos += n
    return out


def test_literal_one():
    data = fv.to_protobuf(1)
    (f1, header_id), (f2, version), (f6, expr) = fields(data)
    assert (f1, f2, version, f6) == (1, 2, 1, 6) and UUID.match(header_id.decode())
    (g1, expr_id), (g3, node) = fields(expr)  # no root_id field
    assert (g1, g3) == (1, 3) and UUID.match(expr_id.decode())
    assert node == bytes.fromhex("0a0408021001")


@pytest.mark.parametrize(
    "value, node",
    [
        (0, "0a020802"),
        (0.0, "0a020801"),
        (1, "0a0408021001"),
        (-1, "0a0d" + "0802" + "10ffffffffffffffffff01"),
        (-0.0, "0a0d" + "0801" + "1080808080808080808001"),
    ],
)
def test_number_literal_nodes(pb2, value, node):
    data = fv.to_protobuf(value)
    expr = parse(pb2, data).expr
    assert not expr.root_id and len(expr.expr_nodes) == 1
    assert data.endswith(bytes([0x1a, len(node) // 2]) + bytes.fromhex(node))


def test_expr_field_layout(pb2):
    x = fv.BinaryVar("x")
    h = parse(pb2, fv.to_protobuf(x + x))
    assert list(h.expr.expr_nodes[1].commutative_op.term_ids) == [0, 0]
    assert h.expr.expr_nodes[1].commutative_op.kind == 1
    # An empty placeholder is still a present member: key and length 0.
    assert fv.to_protobuf(fv.Placeholder("")).endswith(b"\x1a\x02\x12\x00")


def test_variables_bounds_and_forall(pb2):
    h = parse(pb2, fv.to_protobuf(M["constraints"]["plain"]))
    c = h.constraint
    assert c.HasField("forall_list") and c.forall_list.ByteSize() == 0
    assert fv.to_protobuf(M["constraints"]["plain"]).endswith(b"\x32\x00")
    y = c.left.expr_nodes[c.left.root_id].decision_var
    assert y.HasField("lower_bound") and y.HasField("upper_bound") and y.type == 2
    b = parse(pb2, fv.to_protobuf(fv.BinaryVar("b"))).expr.expr_nodes[0].decision_var
    assert not b.HasField("lower_bound") and not b.HasField("upper_bound")
    # [i, (j, j != i)]: i once, cited by the first index and by the condition.
    f = parse(pb2, fv.to_protobuf(M["constraints"]["conditional forall"])).constraint.forall_list
    first, second = f.indices
    assert not first.HasField("condition_id") and second.HasField("condition_id")
    cond = f.expr_nodes[second.condition_id].binary_op
    assert cond.kind == 4 and cond.right_id == first.element_id


def test_problem_maps(pb2):
    data = fv.to_protobuf(M["problem"])
    p = parse(pb2, data).problem
    assert sorted(p.constraints) == ["", "c10", "c2", "forall"]
    assert p.sense == 2 and p.constraints[""].name == ""
    problem = dict(fields(data))[3]
    entries = [fields(v) for f, v in fields(problem) if f == 5]
    keys = [dict(e).get(1, b"") for e in entries]
    assert sorted(keys) == [b"", b"c10", b"c2", b"forall"]
    # The entry of the constraint named "" has no key field, only the value.
    assert [f for f, _ in entries[keys.index(b"")]] == [2]
    empty = dict(fields(fv.to_protobuf(fv.Problem("e"))))[3]
    assert [f for f, _ in fields(empty)] == [1, 2, 3, 4]


# ---- reading what the runtime writes ----


def header_bytes(pb2, fill):
    h = pb2.Header(version=1)
    fill(h)
    return h.SerializeToString()


def add_node(expr, **member):
    node = expr.expr_nodes.add()
    (name, value), = member.items()
    getattr(node, name).CopyFrom(value)
    return node


def test_reads_packed_and_unpacked_ids_and_runs(pb2):
    h = pb2.Header(version=1)
    e = h.expr
    add_node(e, placeholder=pb2.Placeholder(name="a"))
    add_node(e, placeholder=pb2.Placeholder(name="b"))
    add_node(e, commutative_op=pb2.CommutativeOp(kind=3))
    e.root_id = 2
    data = h.SerializeToString()
    op = bytes.fromhex("3a02" + "0803")
    term_forms = [
        bytes.fromhex("1001" + "1000" + "1001"),           # one varint each
        bytes.fromhex("12020100" + "120101"),              # two packed runs
        bytes.fromhex("1001" + "12020001"),                # mixed
    ]
    texts = []
    for terms in term_forms:
        node = b"\x3a" + bytes([2 + len(terms)]) + bytes.fromhex("0803") + terms
        patched = data.replace(b"\x1a\x04" + op, b"\x1a" + bytes([len(node)]) + node)
        patched = patched.replace(b"\x32" + bytes([len(h.expr.SerializeToString())]),
                                  b"\x32" + bytes([len(h.expr.SerializeToString()) + len(node) - len(op)]))
        texts.append(str(fv.from_protobuf(patched)))
    assert texts == ["min(b, a, b)", "min(b, a, b)", "min(b, a, b)"]


def test_reads_merged_and_repeated_fields(pb2):
    N = M["N"]
    data = fv.to_protobuf(N + 1)
    # A second Header appended merges into the first: the same expr, merged
    # node by node, the later scalar wins.
    v2 = pb2.Header(version=1).SerializeToString()
    assert str(fv.from_protobuf(data + v2)) == "N + 1"
    assert "maximum" in pytest.raises(
        fv.ProtobufDeserializationError, fv.from_protobuf, data + pb2.Header(version=7).SerializeToString()
    ).value.args[0]
    # A different body member replaces the one before.
    other = fv.to_protobuf(M["constraints"]["plain"])
    assert isinstance(fv.from_protobuf(data + other), fv.Constraint)
    assert str(fv.from_protobuf(other + data)) == "N + 1"


def test_node_with_two_members_keeps_the_last(pb2):
    h = pb2.Header(version=1)
    n = h.expr.expr_nodes.add()
    n.placeholder.name = "p"
    data = h.SerializeToString()
    lit = pb2.NumberLit(type=2, value=4).SerializeToString()
    node = n.SerializeToString() + b"\x0a" + bytes([len(lit)]) + lit
    expr = b"\x1a" + bytes([len(node)]) + node
    out = b"\x10\x01\x32" + bytes([len(expr)]) + expr
    assert repr(fv.from_protobuf(out)) == "NumberLit(value=4)"
    assert data  # the oracle's own encoding of the first member reads too
    assert repr(fv.from_protobuf(data)) == "Placeholder(name='p', ndim=0)"


def test_duplicate_map_keys_keep_the_last(pb2):
    p = fv.Problem("p")
    p += fv.Constraint("a", M["y"] <= 1)
    q = fv.Problem("p")
    q += fv.Constraint("a", M["y"] >= 5)
    both = fv.to_protobuf(p) + fv.to_protobuf(q)
    assert str(fv.from_protobuf(both).constraints["a"].expression) == "y >= 5"


def test_keys_differing_from_names_are_kept(pb2):
    h = parse(pb2, fv.to_protobuf(M["problem"]))
    h.problem.constraints["renamed"].CopyFrom(h.problem.constraints["c2"])
    back = fv.from_protobuf(h.SerializeToString())
    assert back.constraints["renamed"].name == "c2"


def test_unknown_fields_and_groups_are_skipped(pb2):
    data = fv.to_protobuf(M["y"] + 1)
    unknown = bytes.fromhex(
        "f80101"                # field 31 varint
        "f90100000000000000ff"  # field 31 fixed64
        "fd0101020304"          # field 31 fixed32
        "fa0103616263"          # field 31 bytes
        "fb01" "0801" "fb02" "fc02" "fc01"  # group 31 holding a varint and group 47
    )
    assert str(fv.from_protobuf(unknown + data + unknown)) == "y + 1"
    h = parse(pb2, unknown + data)
    assert h.version == 1


def test_optional_condition_at_node_zero(pb2):
    h = pb2.Header(version=1)
    c = h.constraint
    c.sense = 2
    for side in (c.left, c.right):
        n = side.expr_nodes.add()
        n.decision_var.type = 1
        n.decision_var.name = "x"
    f = c.forall_list
    f.expr_nodes.add().binary_op.CopyFrom(pb2.BinaryOp(kind=3, left_id=1, right_id=3))
    f.expr_nodes.add().element.CopyFrom(pb2.Element(name="i", bound=pb2.Bound(type=1, bound_id=2)))
    f.expr_nodes.add().placeholder.CopyFrom(pb2.Placeholder(name="n", ndim=1))
    f.expr_nodes.add().number_lit.CopyFrom(pb2.NumberLit(type=2, value=1))
    f.indices.add(element_id=1, condition_id=0)
    data = h.SerializeToString()
    assert b"\x0a\x04\x08\x01\x10\x00" in data
    (element, condition), = fv.from_protobuf(data).forall
    assert str(element) == "i" and str(condition) == "i == 1"
    # An absent condition_id is no condition.
    f.indices[0].ClearField("condition_id")
    assert fv.from_protobuf(h.SerializeToString()).forall[0][1] is None


# ---- the common table and the general walk read alike ----

N_ = fv.Placeholder("N")
W_ = fv.Placeholder("w", ndim=1)
C_ = fv.Placeholder("c", ndim=2)
X_ = fv.BinaryVar("x", shape=[N_])
Y_ = fv.IntegerVar("y", shape=[N_], lower_bound=W_, upper_bound=C_[0])
Z_ = fv.ContinuousVar("z", lower_bound=-1.5, upper_bound=N_ * 2)
COMMON_TABLES = {
    "explicit sum": sum(W_[k] * X_[k] + C_[k, k + 1] * Y_[k] for k in range(40)) + 7,
    "one shared child": X_[3] * X_[3] * W_[N_ - 1],
    "powers, mods and functions": (W_[0] + 1) ** 2 % 3 + fv.abs(W_[1]) * Z_ + fv.log2(fv.ceil(N_ / 2.5)),
    "min and max": fv.min(N_, 1, C_[0, 1]) + fv.max(W_[2], 2.0, -3) * Z_,
    "scalar variables": Z_ * fv.BinaryVar("b") - fv.IntegerVar("u", lower_bound=0, upper_bound=N_),
    "literal": fv.Placeholder("n") - fv.Placeholder("n") + 0.5,
}


def shifted_by_one_blank_node(pb2, data):
    """The same table with a node of no member first: no node names it, but
    it is not one the common reading covers, so the general walk reads it."""
    h = parse(pb2, data)
    old = list(h.expr.expr_nodes)

    def shift(message):
        # Every id, those left at 0 (and so unwritten) too.
        for field in message.DESCRIPTOR.fields:
            value = getattr(message, field.name)
            if field.message_type is not None:
                if hasattr(value, "add"):
                    for sub in value:
                        shift(sub)
                elif message.HasField(field.name):
                    shift(value)
            elif field.name.endswith("_ids"):
                value[:] = [v + 1 for v in value]
            elif field.name.endswith("_id") and (not field.has_presence or message.HasField(field.name)):
                setattr(message, field.name, value + 1)

    del h.expr.expr_nodes[:]
    h.expr.expr_nodes.add()
    for node in old:
        shift(node)
        h.expr.expr_nodes.add().CopyFrom(node)
    h.expr.root_id += 1
    return h.SerializeToString()


@pytest.mark.parametrize("name", COMMON_TABLES)
def test_common_tables_read_as_the_walk_reads_them(pb2, name):
    data = fv.to_protobuf(COMMON_TABLES[name])
    common, walked = fv.from_protobuf(data), fv.from_protobuf(shifted_by_one_blank_node(pb2, data))
    assert fv.is_same(common, walked)
    assert (str(common), repr(common)) == (str(walked), repr(walked))
    assert parse(pb2, fv.to_protobuf(common)).expr.expr_nodes == parse(pb2, fv.to_protobuf(walked)).expr.expr_nodes
