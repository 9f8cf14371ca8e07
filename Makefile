# SPDX-License-Identifier: GPL-3.0-or-later
# Two commands on a fresh Debian 12 machine:
#   make run    install what is missing, build, start Kelodi
#   make test   install what is missing, build, run the whole suite
# PRESET picks the CMake preset (dev, or ci where warnings are errors).
# ARGS is passed to kelodi by `make run`, e.g. ARGS="--audio-file out.wav".
#   make package  the Debian package kelodi_VERSION_ARCH.deb in build/release,
#                 built from the preset release (the hardening flags of a
#                 Debian package; the same sources give the same package)
#   make windows  the Windows cross build (MinGW-w64) and its tests under Wine
#   make check-sanitize   the whole suite on a build with the address, leak
#                         and undefined-behaviour sanitizers (build/sanitize)
#   make fuzz             every fuzz target for FUZZ_SECONDS (default 60) each

PRESET ?= dev
BUILD := build/$(PRESET)
ARGS ?=
# The packages scripts/install-deps installs: what a run needs, or with the
# test tools as well.
DEPS := run
test check-sanitize bench fuzz: DEPS := test

.PHONY: all deps configure build run test check-sanitize bench fuzz package windows clean

all: build

deps:
	@scripts/install-deps $(DEPS)

configure: deps
	@cmake --preset $(PRESET) >/dev/null || cmake --preset $(PRESET)

build: configure
	@cmake --build --preset $(PRESET)

run: build
	$(BUILD)/bin/kelodi $(ARGS)

test: build
	@scripts/run-tests $(BUILD)

check-sanitize: deps
	@cmake --preset sanitize >/dev/null || cmake --preset sanitize
	@cmake --build --preset sanitize
	@scripts/run-tests build/sanitize

bench: build
	@scripts/run-bench $(BUILD)

fuzz: deps
	@cmake --preset fuzz >/dev/null || cmake --preset fuzz
	@cmake --build --preset fuzz
	@scripts/run-fuzz build/fuzz $(FUZZ_SECONDS)

# Built in the user's locale and umask; packed in a UTF-8 locale, which cpack
# needs for the package's Chinese file names, and with umask 022, from which
# the members of the .deb take their modes.
package: deps
	@cmake --preset release >/dev/null || cmake --preset release
	@cmake --build --preset release
	@umask 022 && LC_ALL=C.UTF-8 cmake --build --preset release --target package

# The Windows programs are compared with the Linux kelodi-dzq of the PRESET
# build, so that one is built first. The Wine prefix is made before the tests
# start (a few seconds, once per build folder). Wine 8's loader now and then
# aborts while a process ends ("Inconsistency detected by ld.so: dl-fini.c"),
# after the test itself has passed; a failed test is therefore run once more,
# and only one that fails twice counts.
windows: configure
	@scripts/install-deps windows
	@cmake --build --preset $(PRESET) --target kelodi-dzq
	@cmake --preset windows -DKELODI_HOST_DZQ=$(CURDIR)/$(BUILD)/bin/kelodi-dzq >/dev/null || \
	  cmake --preset windows -DKELODI_HOST_DZQ=$(CURDIR)/$(BUILD)/bin/kelodi-dzq
	@cmake --build --preset windows
	@scripts/wine-run --prefix $(CURDIR)/build/windows/wine --init
	@ctest --preset windows -j $(shell nproc) --repeat until-pass:2

clean:
	rm -rf build
