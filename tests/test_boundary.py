import pytest

import forvela as fv


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: fv.NumberLit(), "NumberLit.__new__() missing 1 required positional argument: 'value'"),
        (lambda: fv.NumberLit(1, 2), "NumberLit.__new__() takes 1 positional argument but 2 were given"),
        (lambda: fv.NumberLit(1, value=2), "NumberLit.__new__() got multiple values for argument 'value'"),
        (lambda: fv.NumberLit(valu=2), "NumberLit.__new__() got an unexpected keyword argument 'valu'"),
        (lambda: (fv.NumberLit(1) % 3 + 2).set_latex("a", "b"),
         "AddOp.set_latex() takes from 0 to 1 positional arguments but 2 were given"),
        (lambda: (fv.NumberLit(1) ** 2).set_latex(text="a"),
         "PowOp.set_latex() got an unexpected keyword argument 'text'"),
    ],
)
def test_argument_errors_read_like_cpython(call, message):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == message


def test_failed_conversion_gets_the_argument_prefix_and_cause():
    p = fv.NumberLit(2) ** 3
    p.set_latex("P")
    with pytest.raises(TypeError) as info:
        p.set_latex(5)
    assert str(info.value) == "argument 'latex': 'int' object cannot be converted to 'PyString'"
    assert isinstance(info.value.__cause__, TypeError)
    assert p._repr_latex_() == "$$\\displaystyle P$$"


def test_other_operand_errors_have_no_prefix():
    with pytest.raises(TypeError) as info:
        fv.NumberLit(1) + "a"
    assert str(info.value) == "failed to convert into expression."


def test_no_stale_error_after_discarded_attempts():
    # A refused number attempt must leave no pending exception behind.
    c = fv.NumberLit(1) == fv.NumberLit(2)
    for _ in range(3):
        with pytest.raises(TypeError):
            fv.NumberLit(1) + c
    assert str(fv.NumberLit(1) + 2) == "3"


@pytest.mark.parametrize(
    "receiver, call",
    [
        (lambda: fv.Placeholder("a", ndim=2), lambda a, s: a.len_at(s)),
        (lambda: fv.BinaryVar("b", shape=[3]), lambda b, s: b[s]),
        (lambda: fv.Placeholder("q"), lambda q, s: q + s),
        (lambda: fv.Placeholder("q"), lambda q, s: s * q),
        (lambda: fv.Placeholder("q"), lambda q, s: q ** s),
        (lambda: fv.Placeholder("q"), lambda q, s: q <= s),
        (lambda: fv.NumberLit(1) + fv.Placeholder("q"), lambda e, s: e - s),
    ],
)
def test_receiver_is_borrowed_for_the_whole_call(receiver, call):
    # Code run while the arguments are converted cannot change the receiver.
    target = receiver()
    seen = []

    class Sneaky:
        def __index__(self):
            try:
                target.set_latex("changed")
            except RuntimeError as e:
                seen.append(str(e))
            return 1

    try:
        call(target, Sneaky())
    except TypeError:
        pass  # an operand that is only an index is refused after the attempt
    assert seen == ["Already borrowed"]
    assert "changed" not in target._repr_latex_()
    target.set_latex("later")  # the borrow ends with the call
    assert "later" in target._repr_latex_()
