# The two front doors: `make run` and `make test`. Everything else is CMake.
JOBS ?= $(shell nproc)
.PHONY: run test build-release build-asan fuzz-smoke bench clean

run:
	@scripts/run-client.sh

test:
	@scripts/install-deps.sh
	cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DQV_SANITIZE=ON -DQV_BENCH=ON -DQV_WERROR=ON
	cmake --build build/asan -j $(JOBS)
	cd build/asan && ctest --output-on-failure -j $(JOBS) --timeout 300
# Once more without sanitizers: freed blocks are reused there and timing differs.
	cmake -S . -B build/plain -DCMAKE_BUILD_TYPE=Release -DQV_TESTS=ON -DQV_BENCH=OFF -DQV_WERROR=OFF
	cmake --build build/plain -j $(JOBS)
	cd build/plain && ctest --output-on-failure -j $(JOBS) --timeout 300
# The threads live in core, net and the platform's audio: their tests once more under ThreadSanitizer.
	cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1" \
		-DQV_TSAN=ON -DQV_BENCH=OFF -DQV_WERROR=ON
	cmake --build build/tsan -j $(JOBS) --target test_core test_net test_platform
	cd build/tsan && ctest --output-on-failure -j $(JOBS) --timeout 300 -L '^(core|net|platform)$$'
	@scripts/fuzz-smoke.sh

build-release:
	@scripts/install-deps.sh
	cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DQV_TESTS=OFF -DQV_BENCH=ON
	cmake --build build/release -j $(JOBS)

bench: build-release
	build/release/qv_bench

fuzz-smoke:
	@scripts/fuzz-smoke.sh

clean:
	rm -rf build
