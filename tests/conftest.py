import pytest

import forvela as fv


@pytest.fixture
def lit():
    """Number literals, the one operand kind every build has."""
    return fv.NumberLit
