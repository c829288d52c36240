"""Every benchmark in one run: expressions (with `import forvela`), building a
problem, the tree tools, LaTeX of a whole model, the model format and sample
sets, each beside its peers.

    pip install -r bench/requirements.txt && python bench/run.py
"""
import pathlib
import subprocess
import sys

HERE = pathlib.Path(__file__).resolve().parent
SCRIPTS = ["expressions.py", "problem.py", "tree_tools.py", "latex.py", "protobuf.py", "sample_set.py"]


def main():
    failed = []
    for script in SCRIPTS:
        print(f"## {script}\n", flush=True)
        if subprocess.run([sys.executable, str(HERE / script)]).returncode != 0:
            failed.append(script)
        print(flush=True)
    if failed:
        sys.exit(f"failed: {', '.join(failed)}")


if __name__ == "__main__":
    main()
