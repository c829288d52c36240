"""Optional test tools: a test that needs one is skipped where it is missing,
except under CI, where a missing tool fails the run instead of hiding it."""
import importlib
import os

import pytest


def under_ci():
    return os.environ.get("CI", "").lower() in ("1", "true", "yes")


def need(module):
    """The module, imported; skips the test where it is missing (fails under CI)."""
    if under_ci():
        return importlib.import_module(module)
    return pytest.importorskip(module)
