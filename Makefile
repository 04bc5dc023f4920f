# The whole set-up on a fresh Debian 12 machine:
#   make run    builds setup.exe and runs it under Wine on the built-in sample product
#   make test   builds everything and runs every test
#   (both runs of the end-to-end tests: see README, "Two Wine runs")
# Other targets: make build, make sign, make bench, make screenshots, make clean,
# make wow64-root (the chroot of the i686 run), make wow64-root-remove.
SHELL := /bin/bash
BUILD ?= build
JOBS ?= $(shell nproc)
HOST := $(BUILD)/host
X64 := $(BUILD)/x64
X86 := $(BUILD)/x86
CMAKE_EXTRA ?=
# The Debian sid chroot whose WoW64 Wine 10 runs the i686 programs in the second test run;
# outside the checkout, kept for later runs (make wow64-root-remove removes it).
WOW64_ROOT ?= /var/tmp/nx-wow64-sid

PACKAGES := g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools \
            wine wine64 xvfb imagemagick mscompress cmake g++ make ninja-build googletest \
            libgtest-dev osslsigncode openssl zlib1g-dev

# make sign: the certificate (PEM, or a PKCS#12 bundle with SIGN_KEY empty), its key,
# a file with the key's or bundle's password, and a time-stamping server; all optional
# but SIGN_CERT.
SIGN_CERT ?=
SIGN_KEY ?=
SIGN_PASS_FILE ?=
SIGN_TIMESTAMP_URL ?=

.PHONY: deps host x64 x86 build sign test run bench screenshots clean wow64-root wow64-root-remove

deps:
	@missing=""; for p in $(PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  if [ "$$(id -u)" = 0 ]; then SUDO=""; else SUDO=sudo; fi; \
	  $$SUDO apt-get update && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y $$missing; \
	fi

host: deps
	cmake -S tools -B $(HOST) -G Ninja
	cmake --build $(HOST) -j $(JOBS)

x64: host
	cmake -S . -B $(X64) -G Ninja -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/x86_64-w64-mingw32.cmake \
	  -DNX_HOST_TOOLS=$(abspath $(HOST)) -DNX_I686_BUILD=$(abspath $(X86)) $(CMAKE_EXTRA)
	cmake --build $(X64) -j $(JOBS)

x86: host
	cmake -S . -B $(X86) -G Ninja -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/i686-w64-mingw32.cmake \
	  -DNX_HOST_TOOLS=$(abspath $(HOST)) -DNX_BUILD_TESTS=OFF -DNX_BUILD_E2E_PROGRAMS=ON $(CMAKE_EXTRA)
	cmake --build $(X86) -j $(JOBS)

build: x64 x86
	@echo "Shipped program: $(X86)/setup.exe (i686); tested program: $(X64)/setup.exe (x86_64)"

# Signing comes after every other step: a change to a signed program breaks its signature.
sign: build
	SIGN_CERT="$(SIGN_CERT)" SIGN_KEY="$(SIGN_KEY)" SIGN_PASS_FILE="$(SIGN_PASS_FILE)" \
	  SIGN_TIMESTAMP_URL="$(SIGN_TIMESTAMP_URL)" bash tools/sign.sh $(X86) $(X64)

# The x86_64 tests under Debian 12's Wine 8, then their end-to-end tests (label e2e) once
# more under the chroot's WoW64 Wine 10: against the i686 programs where this machine runs
# 32-bit code in a 64-bit process (compat32 tells), else against the x86_64 programs, so
# that what differs between the two Wines is caught on every machine. Which of the two ran
# is reported; NX_REQUIRE_I686=1 makes the x86_64 stand-in a failure.
NX_REQUIRE_I686 ?= 0
test: build
	cd $(HOST) && ctest --output-on-failure
	JOBS=$(JOBS) bash tools/repro-check.sh $(X86) $(HOST) $(CMAKE_EXTRA)
	@t0=$$(date +%s); bash tools/run-tests.sh $(X64); r1=$$?; t1=$$(date +%s); \
	if why=$$($(HOST)/compat32/compat32); then \
	  programs="i686 programs"; product=$(X86); r3=0; \
	else \
	  programs="x86_64 programs (the i686 run cannot run here: $${why#compat32: })"; product=$(X64); \
	  r3=$(NX_REQUIRE_I686); \
	fi; \
	$(MAKE) --no-print-directory wow64-root && \
	  bash tools/run-tests.sh $(X64) --product $$product --wine-root $(WOW64_ROOT); r2=$$?; \
	t2=$$(date +%s); \
	echo "== x86_64 programs, all tests, Wine 8: $$([ $$r1 = 0 ] && echo passed || echo FAILED) ($$((t1 - t0)) s)"; \
	echo "== $$programs, end-to-end tests, WoW64 Wine 10 of $(WOW64_ROOT): $$([ $$r2 = 0 ] && echo passed || echo FAILED) ($$((t2 - t1)) s)"; \
	[ $$r3 = 0 ] || echo "== NX_REQUIRE_I686=1: the i686 programs were not tested"; \
	[ $$r1 = 0 ] && [ $$r2 = 0 ] && [ $$r3 = 0 ]

wow64-root:
	bash tools/wow64-root.sh make $(WOW64_ROOT)

wow64-root-remove:
	bash tools/wow64-root.sh remove $(WOW64_ROOT)

run: x64
	bash tools/run-setup.sh $(X64)

bench: build
	@echo "== setup programs: bytes of code and data (everything but artwork and payload) =="
	@$(HOST)/pe/peinfo sizes $(X86)/setup.exe $(X64)/setup.exe
	@echo "   (the shipped i686 program's code+data, resource directory entries included, is to stay within 94,720 with the journal, the trust work, the block expansion and the display work)"
	@echo "== artwork carried: every scale of the bitmaps and the icon (to stay within 262,144 bytes) =="
	@cd $(X86)/art && ls nx_bmp*.bmp quorvane*.bmp strip*.bmp app_main.ico | xargs stat -c '%s %n' | \
	  awk '{ print "   " $$0; total += $$1 } END { print "   total " total " bytes" }'
	@echo "== start-up check and journal against a quiet installation (x86_64, Wine) =="
	cmake --build $(X64) --target checktime journaltime setup_bench12
	bash tools/bench/check-bench.sh $(X64)
	cmake --build $(X64) --target phasetime floorcopy setup_bench120
	bash tools/bench/install-bench.sh $(X64)
	@echo "== sample payload =="
	SZDD=$(HOST)/szdd/szdd bash tools/szdd/bench.sh $(X64)/sample-product
	@echo "== corpus of ordinary text and binaries =="
	SZDD=$(HOST)/szdd/szdd bash tools/szdd/bench.sh

screenshots: x64
	bash tools/screenshots.sh $(X64)

clean:
	rm -rf $(BUILD)
