# The two front doors: `make run` and `make test`. Both install what is
# missing, configure and build in build/, then do their job.

# Compiler-cache entries are keyed by paths relative to the checkout, so a
# fresh clone elsewhere (CI's) reuses what an earlier build compiled.
export CCACHE_BASEDIR ?= $(CURDIR)
export CCACHE_NOHASHDIR ?= 1

BUILD     ?= build
BUILDTYPE ?= RelWithDebInfo
JOBS      ?= $(shell nproc 2>/dev/null || echo 2)
SAMPLE    ?= samples/sample-nfs4.fce
PREFIX    ?= /usr/local

.PHONY: all deps configure build test test-asan fuzz run run-trimlet bench samples install clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILDTYPE) -DMOBRIX_WERROR=ON

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Every fuzz target for FUZZ_SECONDS seconds, on the corpus the test
# suite's short runs keep growing in $(BUILD)/fuzz/corpus.
FUZZ_SECONDS ?= 60
fuzz: configure
	cmake --build $(BUILD) --target fuzzers
	cd $(BUILD) && MOBRIX_FUZZ_SECONDS=$(FUZZ_SECONDS) ctest -R '^fuzz\.' -j $(JOBS) \
	    --timeout $$(( $(FUZZ_SECONDS) + 600 )) --output-on-failure

# The unit and window tests built with the address and undefined-behaviour
# sanitizers, in a build folder of their own. Leaks inside the system's
# graphics and font libraries are not the project's: scripts/lsan.supp.
# The tests that create an OpenGL context (Trimlet's windows, the preview's
# widget and window tests, and the window test on an X server without
# OpenGL, where Qt still probes GLX) run without the leak check: Mesa's
# software rasteriser leaks from code it compiles at run time, which no
# stack can name and no suppression can match. Every other test keeps it.
ASAN_BUILD ?= build-asan
ASAN_FLAGS = -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer
ASAN_WITHOUT_LEAK_CHECK = ^(TrimletWindow|PreviewWindow|PreviewGLTest)\.|^app_tests_without_opengl$$
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMOBRIX_WERROR=ON -DMOBRIX_FUZZ=OFF \
	    -DCMAKE_CXX_FLAGS="$(ASAN_FLAGS)" -DCMAKE_EXE_LINKER_FLAGS="$(ASAN_FLAGS)" \
	    -DCMAKE_SHARED_LINKER_FLAGS="$(ASAN_FLAGS)"
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 && \
	    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	    LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
	    ctest --output-on-failure -j $(JOBS) -E '$(ASAN_WITHOUT_LEAK_CHECK)' && \
	    ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 \
	    ctest --output-on-failure -j $(JOBS) -R '$(ASAN_WITHOUT_LEAK_CHECK)'

run: build
	$(BUILD)/src/app/mobrix $(SAMPLE)

# Trimlet, the companion viewer, on the NFSIV sample car.
run-trimlet: build
	$(BUILD)/src/trimlet/trimlet $(SAMPLE)

bench: build
	@for b in $$(find $(BUILD)/bench -name '*_bench' -type f -perm -u+x | sort); do \
	    echo "== $$b"; $$b --benchmark_color=false || exit 1; done

# Regenerates the committed sample cars with the project's own generator.
samples: build
	$(BUILD)/src/cli/samplegen samples

# mobrix, trimlet and fcetool with their desktop entries, icons, the FCE file
# type and fcetool's manual page, under PREFIX (DESTDIR is honoured).
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD)
