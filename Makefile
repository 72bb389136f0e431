# Two commands for a fresh Debian 12 machine:
#   make run    installs what is missing, builds, starts the program on the simulated dyno
#   make test   installs what is missing, builds, runs every test
# Also: make bench, make asan, make tsan, make build, make deps.

BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
PACKAGES := $(shell grep -v '^\#' tools/debian-packages.txt | grep -v '^$$')
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps build run test bench asan tsan clean

all: build

# Installs only when a package is missing, so a warm run costs one dpkg query.
deps:
	@missing=$$(dpkg-query -W -f='$${Package} $${Status}\n' $(PACKAGES) 2>/dev/null \
		| awk '$$NF != "installed" {print $$1}'; \
		for p in $(PACKAGES); do dpkg-query -W -f='$${Status}' $$p >/dev/null 2>&1 || echo $$p; done); \
	missing=$$(echo $$missing | tr ' ' '\n' | sort -u | tr '\n' ' '); \
	if [ -n "$$(echo $$missing | tr -d ' ')" ]; then \
		echo "Installing: $$missing"; \
		$(SUDO) apt-get update && \
		DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y --no-install-recommends $$missing; \
	fi

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	@start=$$(date +%s); cmake --build $(BUILD) -j $(JOBS) || exit 1; \
	echo "Build time: $$(( $$(date +%s) - start )) s" | tee $(BUILD)/build-time.txt

# Without a display (a server, a container) the program runs on a virtual one.
# Unless told otherwise, the simulated car accelerates at full throttle and coasts, again and again.
SCENARIO ?= $(CURDIR)/platform/scenarios/full-throttle.txt

run: build
	@export ZEMBO_SIM_SCENARIO="$${ZEMBO_SIM_SCENARIO:-$(SCENARIO)}"; \
	if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ] && command -v xvfb-run >/dev/null 2>&1; then \
		echo "No display: running on Xvfb"; \
		ZEMBO_SIMULATE=1 xvfb-run -a -s "-screen 0 1280x800x24" $(BUILD)/app/zembo; \
	else \
		ZEMBO_SIMULATE=1 $(BUILD)/app/zembo; \
	fi

# Ends with the build and test times, so every CI log shows how they move.
test: build
	@start=$$(date +%s); cd $(BUILD) && ctest --output-on-failure -j $(JOBS); status=$$?; \
	cat build-time.txt; echo "Test time: $$(( $$(date +%s) - start )) s"; exit $$status

bench: build
	cmake --build $(BUILD) --target bench_all -j 1

# The sanitizer builds run the same tests, keep every test's whole output
# and end with the number of tests and of the reports that the suppression
# files of tests/sanitizers/ hid, per entry, so a growing list shows in every log.
SANITIZER_SUMMARY := awk ' \
	/^[0-9]+\/[0-9]+ Test: / { tests++ } \
	/^Test Passed\./ { passed++ } \
	/^WARNING: ThreadSanitizer:|^ERROR: (Address|Leak)Sanitizer:/ { reports++ } \
	/^ThreadSanitizer: Matched [0-9]+ suppressions/ { tsan = 1; next } \
	tsan && /^[0-9]+ [a-z_]+:/ { hits[$$2] += $$1; total += $$1; next } \
	{ tsan = 0 } \
	/^Suppressions used:/ { lsan = 1; next } \
	lsan && /count +bytes +template/ { next } \
	lsan && /^ *[0-9]+ +[0-9]+ +[^ ]/ { hits["leak:" $$3] += $$1; total += $$1; next } \
	{ lsan = 0 } \
	END { \
		printf "Sanitizer run: %d tests, %d passed, %d failed; %d reports not suppressed\n", \
			tests, passed, tests - passed, reports; \
		printf "Suppressed reports: %d\n", total; \
		for (h in hits) printf "  %6d  %s\n", hits[h], h; \
	}'

asan tsan:
	$(MAKE) build BUILD=build-$@ CMAKE_FLAGS="-DZEMBO_SANITIZE=$(if $(filter asan,$@),address,thread)"
	@start=$$(date +%s); cd build-$@ && ctest --output-on-failure -j $(JOBS) \
		--test-output-size-passed 10000000 --test-output-size-failed 10000000; status=$$?; \
	cat build-time.txt; echo "Test time: $$(( $$(date +%s) - start )) s"; \
	$(SANITIZER_SUMMARY) Testing/Temporary/LastTest.log; exit $$status

clean:
	rm -rf build build-asan build-tsan
