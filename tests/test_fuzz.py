"""A short fuzzing run of every reader of untrusted input: from_protobuf and
each from_json. `bash fuzz/run SECONDS` runs the same targets for longer,
against a build that reports its coverage to the fuzzer."""
import pathlib
import subprocess
import sys

import pytest

from needs import need

need("atheris")

FUZZ = pathlib.Path(__file__).resolve().parent.parent / "fuzz"
HARNESS = FUZZ / "harness.py"
sys.path.insert(0, str(FUZZ))
from targets import TARGETS  # noqa: E402


@pytest.mark.parametrize("target", TARGETS)
def test_short_fuzzing_run_finds_nothing(target, tmp_path):
    run = subprocess.run(
        [sys.executable, str(HARNESS), target, str(tmp_path / "corpus"),
         "-max_total_time=2", "-timeout=10", f"-artifact_prefix={tmp_path}/"],
        capture_output=True, text=True, timeout=120,
    )
    assert run.returncode == 0, run.stdout[-3000:] + run.stderr[-3000:]
    assert "Done" in run.stderr
