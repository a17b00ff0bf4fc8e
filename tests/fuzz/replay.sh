#!/usr/bin/env bash
# Replays the committed fuzz corpus through the libFuzzer targets: each input
# runs once under AddressSanitizer and UndefinedBehaviorSanitizer, no fuzzing.
# To fuzz for real:  build/fuzz/tests/fuzz/fuzz_ipack NEW_DIR tests/fuzz/corpus/ipack
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target fuzz_ipack fuzz_es_headers fuzz_stream_facts -j "$(nproc)" >/dev/null

failed=0
passed=0
for target in ipack es_headers stream_facts; do
    inputs=(tests/fuzz/corpus/"$target"/*)
    if build/fuzz/tests/fuzz/fuzz_"$target" "${inputs[@]}" >"build/fuzz/replay_$target.log" 2>&1; then
        passed=$((passed + ${#inputs[@]}))
        echo "fuzz_$target: ${#inputs[@]} inputs replayed"
    else
        failed=$((failed + 1))
        echo "fuzz_$target: FAILED, see build/fuzz/replay_$target.log"
        tail -n 30 "build/fuzz/replay_$target.log"
    fi
done
[ "$failed" -eq 0 ]
