"""Every failure of to_protobuf and from_protobuf, each with a hand-made
input: hostile bytes for the wire rules, messages built with the protobuf
runtime (`pb2`) for the decoding rules."""
import pytest

import forvela as fv

DE = fv.ProtobufDeserializationError
WIRE = "failed to decode the input buffer because it did not contain a valid Protobuf message."
NO_MEMBER = "failed to decode the input buffer because it did not contain valid Protobuf message"
BINARY = "failed to decode the input buffer because it did not contain valid BinaryOp Protobuf message"


def raises(exc, text, data):
    with pytest.raises(exc) as info:
        fv.from_protobuf(data)
    assert str(info.value) == text
    return info.value


# ---- arguments ----


@pytest.mark.parametrize("buf", [bytearray(b""), memoryview(b""), "", None])
def test_buf_must_be_bytes(buf):
    with pytest.raises(TypeError) as info:
        fv.from_protobuf(buf)
    assert str(info.value) == (
        f"argument 'buf': '{type(buf).__qualname__}' object cannot be converted to 'PyBytes'"
    )


def test_to_protobuf_refuses_other_objects():
    with pytest.raises(TypeError) as info:
        fv.to_protobuf(fv.Placeholder("a", ndim=1))
    text = str(info.value)
    assert text.startswith("argument 'obj': failed to extract enum SerializableObject (")
    for name in ("Problem", "Constraint", "CustomPenaltyTerm", "Expression", "ConditionalExpr"):
        assert f"\n- variant {name} ({name}): TypeError: " in text
    for bad in ([], "x", None, 1j):
        with pytest.raises(TypeError, match="SerializableObject"):
            fv.to_protobuf(bad)


def test_element_over_a_subscripted_decision_variable_cannot_be_written():
    N = fv.Placeholder("N")
    i = fv.Element("i", belong_to=(0, N))
    x = fv.BinaryVar("x", shape=[N, N])
    k = fv.Element("k", belong_to=x[i])
    for obj in (k, fv.sum(k, N), fv.Constraint("c", x[i, k] <= 1, forall=[i, k])):
        with pytest.raises(fv.ProtobufSerializationError, match="element k because its set is a subscripted decision variable"):
            fv.to_protobuf(obj)


def test_input_of_2_gib_is_refused_unread():
    with pytest.raises(DE, match="larger than the 2 GiB"):
        fv.from_protobuf(bytes(2**31))


# ---- wire format ----


@pytest.mark.parametrize(
    "hexdata",
    [
        "08" + "80" * 10 + "01",       # varint of 11 bytes
        "08" + "ff" * 9 + "02",        # 10 bytes past 64 bits
        "8080808010" + "00",           # key above 2**32 - 1
        "0000",                        # field 0
        "0e00", "0f00",                # wire types 6 and 7
        "1200",                        # version as length-delimited
        "1001" + "3000",               # expr body as a varint
        "1001" + "3a01",               # a length past the end
        "0a05616263",                  # a string past the end
        "0a02c328", "0a03eda080", "0a02c080", "0a04f4908080",  # bad UTF-8
        "a401",                        # end-group without a group
        "a301ac01",                    # end-group of another field
        "a301",                        # group never closed
        "a301" * 101 + "a401" * 101,   # groups nested past 100 levels
        "08",                          # value missing
        "1001" + "3205" + "1a03" + "3a01" + "80",  # packed-less node with a cut varint
        "1001" + "3208" + "1a06" + "3a04" + "0803" + "1201" + "80",  # cut packed varint
        "1001" + "3204" + "1a02" + "3a00" + "1a",   # a key with no value
    ],
)
def test_malformed_bytes(hexdata):
    raises(DE, WIRE, bytes.fromhex(hexdata))


def test_nesting_bound_is_100_levels():
    ok = bytes.fromhex("a301" * 100 + "a401" * 100)
    raises(DE, "failed to decode the input buffer because it did not contain a Problem message.",
           b"\x10\x01" + ok)


# ---- header, problem, constraint, penalty term ----


def test_versions_and_body():
    raises(DE, "the input schema has an unsupported version: 0. The minimum supported version is 1. "
               "Please update the forvela to generate the model.", b"")
    raises(DE, "the input schema has an unsupported version: 7. The maximum supported version is 1. "
               "Please update the forvela to receive the model", b"\x10\x07\x1a\x00")
    raises(DE, "the input schema has an unsupported version: 18446744073709551615. The maximum supported "
               "version is 1. Please update the forvela to receive the model",
           b"\x10" + b"\xff" * 9 + b"\x01")
    raises(DE, "failed to decode the input buffer because it did not contain a Problem message.", b"\x10\x01")


def header(pb2, **body):
    h = pb2.Header(version=1, **body)
    return h.SerializeToString()


def var_expr(pb2):
    e = pb2.Expr()
    e.expr_nodes.add().decision_var.CopyFrom(pb2.DecisionVar(type=1, name="x"))
    return e


def lit_expr(pb2, v=1):
    e = pb2.Expr()
    e.expr_nodes.add().number_lit.CopyFrom(pb2.NumberLit(type=2, value=v))
    return e


PREFIX = "failed to decode the input buffer because it did not contain a Protobuf message according to "


def test_problem_messages(pb2):
    raises(DE, PREFIX + "a problem sense.", header(pb2, problem=pb2.Problem(objective_function=var_expr(pb2))))
    raises(DE, PREFIX + "an objective function.", header(pb2, problem=pb2.Problem(sense=2)))
    p = pb2.Problem(sense=1, objective_function=lit_expr(pb2))
    p.constraints["c"].CopyFrom(pb2.Constraint(sense=4))
    raises(DE, PREFIX + "a constraint equality.", header(pb2, problem=p))
    p = pb2.Problem(sense=1, objective_function=lit_expr(pb2))
    p.custom_penalty_terms["t"].CopyFrom(pb2.CustomPenaltyTerm(term=lit_expr(pb2)))
    raises(fv.ModelingError, "the custom penalty term does not contain a decision variable", header(pb2, problem=p))
    # A condition is no objective.
    e = pb2.Expr(root_id=1)
    e.MergeFrom(var_expr(pb2))
    e.expr_nodes.add().binary_op.CopyFrom(pb2.BinaryOp(kind=3))
    raises(DE, BINARY, header(pb2, problem=pb2.Problem(sense=1, objective_function=e)))


def test_constraint_and_term_messages(pb2):
    x, one = var_expr(pb2), lit_expr(pb2)
    raises(DE, PREFIX + "a constraint equality.", header(pb2, constraint=pb2.Constraint(left=x, right=one)))
    raises(DE, PREFIX + "the left-hand side of a constraint.", header(pb2, constraint=pb2.Constraint(sense=1, right=one)))
    raises(DE, PREFIX + "the right-hand side of a constraint.", header(pb2, constraint=pb2.Constraint(sense=1, left=x)))
    raises(DE, PREFIX + "the term of a custom penalty term.", header(pb2, custom_penalty_term=pb2.CustomPenaltyTerm()))
    raises(fv.ModelingError, "expression does not contain a decision variable",
           header(pb2, constraint=pb2.Constraint(sense=1, left=one, right=one)))
    c = fv.from_protobuf(header(pb2, constraint=pb2.Constraint(sense=3, left=one, right=x)))
    assert str(c.expression) == "1 >= x" and c.forall == []


def test_forall_list_checks(pb2):
    f = pb2.ForallList()
    f.expr_nodes.add().placeholder.CopyFrom(pb2.Placeholder(name="n", ndim=1))
    f.expr_nodes.add().element.CopyFrom(pb2.Element(name="i", bound=pb2.Bound(type=1, bound_id=0)))
    f.indices.add(element_id=1)
    f.indices.add(element_id=1)
    c = pb2.Constraint(sense=1, left=var_expr(pb2), right=lit_expr(pb2), forall_list=f)
    f = c.forall_list
    raises(fv.ModelingError, "forall has duplicated indices", header(pb2, constraint=c))
    del f.indices[1]
    f.indices[0].element_id = 5
    raises(DE, "the Expression message does not contain the id of the index", header(pb2, constraint=c))
    f.indices[0].element_id = 0
    raises(DE, "failed to decode the input buffer because it did not contain valid Index Protobuf message",
           header(pb2, constraint=c))
    f.indices[0].element_id = 1
    f.indices[0].condition_id = 2**64 - 1
    raises(DE, "the Expression message did not contain the id of the condition", header(pb2, constraint=c))


# ---- nodes ----


def node(pb2, **member):
    return pb2.ExprNode(**{k: getattr(pb2, "".join(p.title() for p in k.split("_")))(**v) for k, v in member.items()})


P = {"placeholder": {"name": "p"}}
P1 = {"placeholder": {"name": "q", "ndim": 1}}
X = {"decision_var": {"type": 1, "name": "x"}}
EMPTY = {}
BAD = 2**63


def term(pb2, nodes, root):
    e = pb2.Expr(root_id=root)
    for n in nodes:
        e.expr_nodes.append(node(pb2, **n))
    return header(pb2, custom_penalty_term=pb2.CustomPenaltyTerm(name="t", term=e))


def expr_body(pb2, nodes, root):
    e = pb2.Expr(root_id=root)
    for n in nodes:
        e.expr_nodes.append(node(pb2, **n))
    return header(pb2, expr=e)


NODE_ERRORS = [
    # (nodes, root, exception, text)
    ([P], 3, DE, "failed to decode the input buffer because it contained the invalid ID of an expression node."),
    ([EMPTY], 0, DE, NO_MEMBER),
    ([{"number_lit": {"type": 3}}], 0, DE, "failed to decode the input buffer because it did not contain a "
                                           "Protobuf message according to the data type of a number literal."),
    ([P1], 0, fv.ModelingError, "the dimensionality of the Placeholder { name: q } must be zero, but is actually 1"),
    ([{"unary_op": {"kind": 9, "operand_id": BAD}}], 0, DE, "the Expression does not contain the id of the operand"),
    ([P, {"unary_op": {"kind": 9}}], 1, DE, "failed to decode the input buffer because it did not contain valid "
                                            "UnaryOp Protobuf message"),
    ([X, {"unary_op": {"kind": 1}}], 1, fv.ModelingError, "the operand of the unary op contains a decision variable"),
    ([{"binary_op": {"kind": 9, "left_id": BAD}}], 0, DE, BINARY),
    ([{"binary_op": {"kind": 3}}], 0, DE, BINARY),
    ([{"binary_op": {"kind": 1, "left_id": BAD}}], 0, DE, "the Expression message does not contain the id of the "
                                                          "left hand side"),
    ([P, {"binary_op": {"kind": 2, "right_id": 2**64 - 1}}], 1, DE, "the Expression message does not contain the id "
                                                                     "of the right hand side"),
    ([{"commutative_op": {"kind": 5, "term_ids": [1]}}], 0, DE, "the Expression message contained an invalid operand id"),
    ([P, {"commutative_op": {"kind": 5, "term_ids": [0]}}], 1, DE, "failed to decode the input buffer because it did "
                                                                   "not contain valid CommutativeOp Protobuf message"),
    ([{"reduction_op": {"kind": 1}}], 0, DE, "the Expression message does not contain the id of the index"),
    ([P, {"reduction_op": {"kind": 1, "index": {}}}], 1, DE, "failed to decode the input buffer because it did not "
                                                             "contain valid Index Protobuf message"),
    ([P1, {"element": {"name": "i", "bound": {"bound_id": 0}}},
      {"reduction_op": {"kind": 1, "index": {"element_id": 1}, "operand_id": 9}}], 2, DE,
     "the Expression message does not contain the id of the operand"),
    ([P1, {"element": {"name": "i", "bound": {"bound_id": 0}}},
      {"reduction_op": {"kind": 3, "index": {"element_id": 1}, "operand_id": 1}}], 2, DE,
     "failed to decode the input buffer because it did not contain valid ReductionOp Protobuf message"),
    ([{"array_length": {"array_id": 1}}], 0, DE, "the Expression message does not contain the id of the array"),
    ([{"array_length": {}}], 0, DE, "invalid message"),
    ([EMPTY, {"array_length": {}}], 1, DE, NO_MEMBER),
    ([P1, {"array_length": {"axis": 1}}], 1, fv.ModelingError, "axis 1 is out of bounds for the axis of the array q"),
    ([{"element": {"name": "i"}}], 0, DE, NO_MEMBER),
    ([{"element": {"name": "i", "range": {"start_id": 5}}}], 0, DE, "the Expression message does not contain the id "
                                                                   "of the start of the range"),
    ([P, {"element": {"name": "i", "range": {"end_id": 5}}}], 1, DE, "the Expression message does not contain the id "
                                                                     "of the end of the range"),
    ([{"number_lit": {"type": 2, "value": 3}}, {"element": {"name": "i", "range": {}}}], 1, ValueError,
     "`Range.start` (= 3) is equal to `Range.end` (= 3)"),
    ([X, {"element": {"name": "i", "range": {"start_id": 0, "end_id": 0}}}], 1, fv.ModelingError,
     "the lower bound contains a decision variable"),
    ([{"unary_op": {}}, {"element": {"name": "i", "bound": {"bound_id": 0}}}], 1, DE, "invalid message"),
    ([EMPTY, {"element": {"name": "i", "bound": {"bound_id": 0}}}], 1, DE, NO_MEMBER),
    ([{"element": {"name": "i", "bound": {"bound_id": 7}}}], 0, DE,
     "the Expression message does not contain the id of the set of the element"),
    ([{"decision_var": {"type": 1, "shape_ids": [3]}}], 0, DE, "Decision var messsage had an invalid shape element id"),
    ([{"decision_var": {"type": 9}}], 0, DE, "the DecisionVar message does not contain the lower bound"),
    ([P, {"decision_var": {"type": 2, "lower_bound": {"type": 1}}}], 1, DE,
     "the DecisionVar message does not contain the upper bound"),
    ([P, {"decision_var": {"type": 9, "lower_bound": {"type": 1}, "upper_bound": {"type": 1}}}], 1, DE,
     "failed to decode the input buffer because it did not contain valid DecisionVar Protobuf message"),
    ([P, {"decision_var": {"type": 2, "lower_bound": {"type": 4}, "upper_bound": {"type": 1}}}], 1, DE,
     "failed to decode the input buffer because it did not contain a Protobuf message according to the type of "
     "a decision variable bound."),
    ([P, {"decision_var": {"type": 2, "lower_bound": {"type": 1, "bound_id": 9}}}], 1, DE,
     "the DecisionVarBound message does not contain the id of the bound"),
    ([P, {"decision_var": {"type": 2, "lower_bound": {"type": 2}}}], 1, fv.ModelingError, "the placeholder is a scalar"),
    ([X, {"decision_var": {"type": 2, "lower_bound": {"type": 2}}}], 1, DE,
     "invalid message: the bound is not a placeholder"),
    ([P, {"decision_var": {"type": 2, "lower_bound": {"type": 3}}}], 1, DE,
     "invalid message: the bound is not a subscripted placeholder"),
    ([{"subscript": {"variable_id": 4}}], 0, DE, "Subscript message did not have a valid var id"),
    ([{"unary_op": {}}, {"subscript": {}}], 1, DE, "invalid message"),
    ([EMPTY, {"subscript": {}}], 1, DE, NO_MEMBER),
    ([P, {"subscript": {}}], 1, fv.ModelingError, "the scalar `Placeholder { name: p }` is not subscriptable"),
    ([P1, {"subscript": {"subscript_ids": [7]}}], 1, DE, "Subscript messsage had an invalid subscript id"),
    ([P1, {"subscript": {}}], 1, fv.ModelingError, "the number of subscripts is zero"),
    ([P1, X, {"subscript": {"subscript_ids": [1]}}], 2, fv.ModelingError, "a subscript contains a decision variable"),
]


@pytest.mark.parametrize("nodes, root, exc, text", NODE_ERRORS)
def test_node_errors(pb2, nodes, root, exc, text):
    raises(exc, text, term(pb2, nodes, root))


@pytest.mark.parametrize(
    "nodes, root, text",
    [
        ([], 0, "failed to decode the input buffer because it contained the invalid ID of an expression node."),
        ([{"number_lit": {}}], 0, BINARY),
        ([P1], 0, BINARY),
        ([EMPTY], 0, NO_MEMBER),
        ([P, {"binary_op": {"kind": 9}}], 1, "failed to decode the input buffer because it contained an invalid op "
                                              "in a conditional expr (BinaryOp that is not a logical operator"),
        ([P, {"binary_op": {"kind": 3, "left_id": 0, "right_id": 0}}, {"commutative_op": {"kind": 1, "term_ids": [1]}}],
         2, "failed to decode the input buffer because it contained an invalid op in a conditional expr "
            "(Commutative Op that is not a logical operator"),
    ],
)
def test_expr_body_errors_come_from_the_condition_attempt(pb2, nodes, root, text):
    raises(DE, text, expr_body(pb2, nodes, root))


def test_unchecked_kinds_decode(pb2):
    # Min, max, pow and mod take decision variables on reading; binary bounds are not read.
    back = fv.from_protobuf(expr_body(pb2, [X, P, {"commutative_op": {"kind": 3, "term_ids": [0, 1, 0]}}], 2))
    assert isinstance(back, fv.MinOp) and str(back) == "min(x, p, x)"
    back = fv.from_protobuf(expr_body(pb2, [P, X, {"binary_op": {"kind": 1, "left_id": 0, "right_id": 1}}], 2))
    assert isinstance(back, fv.PowOp)
    binary = {"decision_var": {"type": 1, "name": "b", "lower_bound": {"type": 2, "bound_id": 9}}}
    back = fv.from_protobuf(expr_body(pb2, [binary], 0))
    assert repr(back) == repr(fv.BinaryVar("b"))
    # An element whose bound names a placeholder although its type says element.
    back = fv.from_protobuf(expr_body(pb2, [P1, {"element": {"name": "i", "ndim": 7, "bound": {"type": 2}}}], 1))
    assert repr(back) == repr(fv.Element("i", belong_to=fv.Placeholder("q", ndim=1)))


@pytest.mark.parametrize("kind, cls", [(5, fv.AndOp), (6, fv.OrOp), (7, fv.XorOp)])
def test_logical_nodes_take_any_number_of_terms(pb2, kind, cls):
    cmp = {"binary_op": {"kind": 6}}
    for terms in ([], [1], [1, 1, 1]):
        back = fv.from_protobuf(expr_body(pb2, [P, cmp, {"commutative_op": {"kind": kind, "term_ids": terms}}], 2))
        assert type(back) is cls and len(back.terms) == len(terms)
    assert type(fv.from_protobuf(expr_body(pb2, [P, cmp], 1))) is fv.LessThanEqualOp


# ---- hostile node tables ----


def chain(pb2, n, step):
    nodes = [P] + [step(k) for k in range(n)]
    return term(pb2, nodes, n)


CYCLE = "failed to decode the input buffer because it contained a cycle of expression node ids."


@pytest.mark.parametrize(
    "nodes",
    [
        [{"unary_op": {"kind": 1, "operand_id": 0}}],
        [{"binary_op": {"kind": 1, "left_id": 1, "right_id": 1}}, {"commutative_op": {"kind": 1, "term_ids": [0]}}],
        [{"element": {"name": "i", "bound": {"bound_id": 0}}}],
        [{"subscript": {"variable_id": 0}}],
        [{"decision_var": {"type": 2, "lower_bound": {"type": 1, "bound_id": 0}}}],
    ],
)
def test_cycles_are_refused(pb2, nodes):
    raises(DE, CYCLE, term(pb2, nodes, 0))


def test_forward_references_are_read(pb2):
    nodes = [X, {"commutative_op": {"kind": 1, "term_ids": [0, 2]}}, {"number_lit": {"type": 2, "value": 3}}]
    e = pb2.Expr(root_id=1)
    for n in nodes:
        e.expr_nodes.append(node(pb2, **n))
    assert str(fv.from_protobuf(header(pb2, expr=e))) == "x + 3"


def test_deep_tables_are_refused(pb2):
    deep = chain(pb2, 200_000, lambda k: {"unary_op": {"kind": 1, "operand_id": k}})
    raises(DE, "failed to decode the input buffer because its expression nodes are nested too deeply.", deep)


def objective(pb2, nodes, root):
    e = pb2.Expr(root_id=root)
    for n in nodes:
        e.expr_nodes.append(node(pb2, **n))
    return header(pb2, problem=pb2.Problem(sense=1, objective_function=e))


@pytest.mark.parametrize(
    "first_read, other, text",
    [
        (EMPTY, {"number_lit": {"type": 9}}, NO_MEMBER),
        ({"number_lit": {"type": 9}}, EMPTY, PREFIX + "the data type of a number literal."),
    ],
)
def test_the_failure_met_first_in_reading_order_is_reported(pb2, first_read, other, text):
    # The sum reads node 2 before node 0, although node 0 comes first in the table.
    nodes = [other, P, first_read, {"commutative_op": {"kind": 1, "term_ids": [1, 2, 0]}}]
    raises(DE, text, objective(pb2, nodes, 3))


@pytest.mark.parametrize("children_first", [True, False])
def test_the_depth_limit_holds_in_any_node_order(pb2, children_first):
    # A chain of unary nodes over a placeholder: 6000 levels are read, 6001 refused.
    for n, deep in ((5999, False), (6000, True)):
        if children_first:
            nodes, root = [P] + [{"unary_op": {"kind": 1, "operand_id": k}} for k in range(n)], n
        else:
            nodes, root = [{"unary_op": {"kind": 1, "operand_id": k + 1}} for k in range(n)] + [P], 0
        data = objective(pb2, nodes, root)
        if deep:
            raises(DE, "failed to decode the input buffer because its expression nodes are nested too deeply.", data)
        else:
            assert isinstance(fv.from_protobuf(data).objective, fv.AbsOp)


def test_doubling_tables_read_as_shared_values(pb2):
    # Each node names the one before twice: 2**300 leaves as a tree, one
    # value per node when read.
    wide = term(pb2, [X] + [{"binary_op": {"kind": 1, "left_id": k, "right_id": k}} for k in range(300)], 300)
    t = fv.from_protobuf(wide).expression
    assert fv.is_same(t.base, t.exponent) and fv.is_same(t, fv.from_protobuf(wide).expression)
    for _ in range(299):
        t = t.base
    assert str(t) == "x ** x"
    forall = pb2.ForallList()
    forall.expr_nodes.append(node(pb2, **P1))
    forall.expr_nodes.append(node(pb2, element={"name": "i", "bound": {"bound_id": 0}}))
    forall.expr_nodes.append(node(pb2, binary_op={"kind": 3, "left_id": 1, "right_id": 1}))
    for k in range(2, 302):
        forall.expr_nodes.append(node(pb2, commutative_op={"kind": 6, "term_ids": [k, k]}))
    forall.indices.add(element_id=1, condition_id=302)
    c = pb2.Constraint(sense=1, left=var_expr(pb2), right=lit_expr(pb2), forall_list=forall)
    data = header(pb2, constraint=c)
    # Written back as shared as it was read.
    assert len(fv.to_protobuf(fv.from_protobuf(data))) < len(data) + 200
