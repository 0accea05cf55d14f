# The two front doors: `make run` and `make test`. Both install what is
# missing, configure and build in build/, then do their job.

BUILD     ?= build
BUILDTYPE ?= RelWithDebInfo
JOBS      ?= $(shell nproc 2>/dev/null || echo 2)
SAMPLE    ?= samples/sample-nfs4.fce
PREFIX    ?= /usr/local

.PHONY: all deps configure build test run run-trimlet bench samples install clean

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
