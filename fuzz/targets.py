"""The readers of untrusted input that the fuzzer drives, one target each:
`protobuf` (from_protobuf) and every result class's from_json. Run as a
script, it prints their names, one a line."""
JSON_CLASSES = ["SolvingTime", "SystemTime", "MeasuringTime", "Evaluation", "Record", "SampleSet"]
TARGETS = ["protobuf", *JSON_CLASSES]

if __name__ == "__main__":
    print("\n".join(TARGETS))
