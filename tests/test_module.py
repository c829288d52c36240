import subprocess
import sys

import pytest

import forvela as fv

FUNCTIONS = [
    "to_protobuf", "from_protobuf", "is_linear", "is_quadratic", "is_higher_order",
    "is_dynamic_degree", "is_same", "extract_nodes", "extract_variables", "replace",
    "abs", "ceil", "floor", "log2", "log10", "ln", "min", "max", "sum", "prod",
]
CLASSES = [
    "DataType", "NumberLit", "Placeholder", "Range", "Element", "Subscript", "ArrayLength",
    "BinaryVar", "IntegerVar", "ContinuousVar", "SemiIntegerVar", "SemiContinuousVar",
    "AbsOp", "CeilOp", "FloorOp", "Log2Op", "Log10Op", "LnOp",
    "AddOp", "MulOp", "ModOp", "MinOp", "MaxOp", "PowOp", "SumOp", "ProdOp",
    "AndOp", "OrOp", "XorOp",
    "EqualOp", "NotEqualOp", "LessThanOp", "LessThanEqualOp", "GreaterThanOp",
    "GreaterThanEqualOp",
    "Problem", "ProblemSense", "Constraint", "ConstraintSense", "CustomPenaltyTerm",
    "Evaluation", "Record", "SolvingTime", "SystemTime", "MeasuringTime", "SampleSet",
]
EXCEPTIONS = ["ModelingError", "ProtobufSerializationError", "ProtobufDeserializationError"]


def test_version():
    assert fv.__version__ == "1.0.0-rc2"


def test_all_follows_the_fixed_order():
    expected = ["__version__", *EXCEPTIONS, *FUNCTIONS, *CLASSES]
    present = [name for name in expected if hasattr(fv, name)]
    assert fv.__all__ == present
    assert fv.__all__[:4] == ["__version__", *EXCEPTIONS]
    for name in fv.__all__:
        assert hasattr(fv, name)


@pytest.mark.parametrize("name", EXCEPTIONS)
def test_exception_types(name):
    exc = getattr(fv, name)
    assert issubclass(exc, Exception)
    assert exc.__bases__ == (Exception,)
    assert exc.__module__ == "forvela"
    assert exc.__name__ == name
    assert exc.__doc__ is None


@pytest.mark.parametrize("name", [n for n in CLASSES if hasattr(fv, n)])
def test_classes_belong_to_the_module(name):
    cls = getattr(fv, name)
    assert cls.__module__ == "forvela"
    assert cls.__name__ == name
    assert cls.__qualname__ == name


@pytest.mark.parametrize("name", CLASSES)
def test_classes_are_immutable(name):
    cls = getattr(fv, name)
    with pytest.raises(TypeError, match="immutable"):
        cls.__add__ = lambda self, other: 0
    with pytest.raises(TypeError, match="immutable"):
        cls.extra = 1


def test_import_is_clean_under_warnings_as_errors():
    subprocess.run([sys.executable, "-W", "error", "-c", "import forvela"], check=True)


def test_second_initialisation_raises_import_error():
    code = (
        "import sys, forvela\n"
        "del sys.modules['forvela']\n"
        "try:\n"
        "    import forvela\n"
        "except ImportError:\n"
        "    print('refused')\n"
    )
    out = subprocess.run([sys.executable, "-c", code], check=True, capture_output=True, text=True)
    assert out.stdout.strip() == "refused"


def test_constructor_docstring_and_signature():
    assert fv.NumberLit.__text_signature__ == "(value)"
    assert fv.NumberLit.__doc__.startswith("A class for creating a number literal")
    assert fv.DataType.__doc__ is None


@pytest.mark.parametrize("name", ["DataType", "AddOp", "MulOp", "PowOp", "EqualOp", "AndOp"])
def test_classes_without_constructor(name):
    with pytest.raises(TypeError, match="^No constructor defined$"):
        getattr(fv, name)()
