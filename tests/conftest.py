import pytest

from needs import need


@pytest.fixture(scope="session")
def pb2(tmp_path_factory):
    """The model format's schema compiled by Google's protobuf compiler: the
    oracle that the bytes we write and read are checked against."""
    import importlib
    import pathlib
    import sys

    protoc = need("grpc_tools.protoc")
    need("google.protobuf")
    schema = pathlib.Path(__file__).resolve().parent.parent / "src" / "protobuf"
    out = tmp_path_factory.mktemp("pb2")
    status = protoc.main(
        ["protoc", f"-I{schema}", f"--python_out={out}", str(schema / "forvela.proto")]
    )
    assert status == 0
    sys.path.insert(0, str(out))
    try:
        return importlib.import_module("forvela_pb2")
    finally:
        sys.path.remove(str(out))
