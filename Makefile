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

.PHONY: all deps configure build test test-asan fuzz run run-trimlet bench samples install package screenshots clean

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
# sanitizers, in a build folder of their own, in two runs:
#  - every test with the leak check, on an X server without OpenGL for the
#    windows; leaks inside the system's font, X and D-Bus libraries are not
#    the project's (scripts/lsan.supp);
#  - the window tests ("gui") once more with OpenGL and without the leak
#    check, since every window then makes an OpenGL context: Mesa leaks 128
#    bytes in glXChooseFBConfig from a driver it unloads before the report,
#    so the report's short stacks cannot name it and no suppression can
#    match it (a full unwind names it, but takes minutes per test). The
#    tests that need OpenGL (Trimlet's windows, the preview's widget and
#    window tests) run only here.
ASAN_BUILD ?= build-asan
ASAN_FLAGS = -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer
ASAN_NEEDS_OPENGL = ^(TrimletWindow|PreviewWindow|PreviewGLTest)\.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMOBRIX_WERROR=ON -DMOBRIX_FUZZ=OFF \
	    -DCMAKE_CXX_FLAGS="$(ASAN_FLAGS)" -DCMAKE_EXE_LINKER_FLAGS="$(ASAN_FLAGS)" \
	    -DCMAKE_SHARED_LINKER_FLAGS="$(ASAN_FLAGS)"
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 && \
	    QT_XCB_GL_INTEGRATION=none ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	    LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
	    ctest --output-on-failure -j $(JOBS) -E '$(ASAN_NEEDS_OPENGL)' && \
	    ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 \
	    ctest --output-on-failure -j $(JOBS) -L gui

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

# A Debian package of the three programs and their desktop files, made by
# CPack from the built tree into $(BUILD)/package.
package: build
	cmake --build $(BUILD) --target package

# The pictures in doc/screenshots: Mobrix and Trimlet on the sample car under
# a private X server, and a row of fcetool render pictures of the samples.
screenshots: build
	scripts/make-screenshots $(BUILD) doc/screenshots

clean:
	rm -rf $(BUILD)
