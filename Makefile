# Brivet build entry points. Every target installs what it needs first.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
# A unity build: each target compiles its sources in a few combined files,
# which roughly halves a clean build on two cores. Debug information is
# line tables only (function names and lines for perf and backtraces, no
# variables): whole DWARF costs a third of the compile time.
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DCMAKE_UNITY_BUILD=ON

DEB_PACKAGES := cmake g++ make pkg-config ninja-build \
	qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 libglib2.0-bin \
	libicu-dev libsimdjson-dev libsystemd-dev libfontconfig-dev \
	libecal2.0-dev libedataserver1.2-dev evolution-data-server dbus radicale \
	libgtest-dev libgmock-dev libbenchmark-dev \
	libxcb1-dev libxcb-xfixes0-dev \
	xvfb xauth openbox xdotool x11-utils imagemagick fonts-noto-cjk \
	trayer dunst desktop-file-utils appstream at-spi2-core python3-pyatspi \
	clang libfuzzer-14-dev libclang-rt-14-dev clang-format

PREFIX ?= /usr/local
AUTOSTART_DIR ?= $(or $(XDG_CONFIG_HOME),$(HOME)/.config)/autostart
DESKTOP_ID := com.brivet.Brivet

.PHONY: deps build run test check-format test-sanitize torture fuzz bench bench-launch screenshots screenshots-diff install install-autostart uninstall-autostart clean

deps:
	@missing=""; \
	for p in $(DEB_PACKAGES); do \
		dpkg-query -W -f='$${db:Status-Abbrev}' $$p 2>/dev/null | grep -q '^ii' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
		echo "Installing:$$missing"; \
		SUDO=$$( [ "$$(id -u)" = 0 ] || echo sudo ); \
		$$SUDO apt-get update -qq && \
		DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -q --no-install-recommends $$missing; \
	fi

$(BUILD_DIR)/build.ninja: CMakeLists.txt
	cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS) $(if $(CI),-DBRIVET_WERROR=ON)

build: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	$(BUILD_DIR)/bin/brivet

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# The lines changed since the merge base with main (FORMAT_BASE to compare
# with another branch) against .clang-format; passes when nothing changed.
check-format: deps
	tools/check-format.sh

# The whole suite built with AddressSanitizer and UndefinedBehaviorSanitizer
# (leaks included) in its own folder; lean: no benchmarks or tools, -O1.
SANITIZE_DIR ?= build-sanitize
SANITIZE_ENV := ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitize/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
test-sanitize: deps
	CC=clang CXX=clang++ cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DBRIVET_SANITIZE=ON -DBRIVET_TOOLS=OFF -DCMAKE_UNITY_BUILD=ON $(if $(CI),-DBRIVET_WERROR=ON)
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	cd $(SANITIZE_DIR) && $(SANITIZE_ENV) ctest --output-on-failure -j $(JOBS)

# The store torture test for TORTURE_SECONDS (ctest runs it for 60 s): the
# state with its real files, killed at random moments and checked each time.
TORTURE_SECONDS ?= 600
torture: build
	$(BUILD_DIR)/bin/brivet-torture --seconds $(TORTURE_SECONDS)

# Runs every fuzz target for FUZZ_SECONDS, one after the other. Seeds come
# from tests/fuzz/corpus/<target>; what the fuzzer learns stays in
# $(FUZZ_DIR)/corpus, and a crashing or mismatching input lands in
# $(FUZZ_DIR)/findings/<target>/ and stops the run.
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := notes_file:json preferences_file:json identifier_date: eds_component:ical
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRIVET_FUZZ=ON
	cmake --build $(FUZZ_DIR) -j $(JOBS)
	@for entry in $(FUZZ_TARGETS); do \
		target=$${entry%%:*}; dict=$${entry#*:}; \
		mkdir -p $(FUZZ_DIR)/corpus/$$target $(FUZZ_DIR)/findings/$$target; \
		log=$(FUZZ_DIR)/findings/$$target/last-run.log; \
		echo "fuzz_$$target for $(FUZZ_SECONDS) s (log: $$log)"; \
		if UBSAN_OPTIONS=print_stacktrace=1 $(FUZZ_DIR)/bin/fuzz_$$target -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
			$${dict:+-dict=tests/fuzz/$$dict.dict} -artifact_prefix=$(FUZZ_DIR)/findings/$$target/ \
			$(FUZZ_DIR)/corpus/$$target tests/fuzz/corpus/$$target > $$log 2>&1; then \
			grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units)' $$log; \
		else \
			tail -n 40 $$log; echo "fuzz_$$target found a failing input"; exit 1; \
		fi; \
	done

bench: build
	$(BUILD_DIR)/bin/brivet-bench
	$(BUILD_DIR)/bin/brivet-dashboard-bench
	$(BUILD_DIR)/bin/brivet-caldav-bench

# The app's launch (empty folder, 1,000 and 10,000 notes) next to a bare Qt
# program, each under its own Xvfb: first window, memory, CPU, page faults;
# the table is also kept in $(BUILD_DIR)/launch-bench.md.
LAUNCH_RUNS ?= 5
bench-launch: build
	$(BUILD_DIR)/bin/brivet-launch-bench --runs $(LAUNCH_RUNS) --output $(BUILD_DIR)/launch-bench.md $(BUILD_DIR)/bin

# The program, its desktop entry, icons and AppStream metadata under
# $(PREFIX) (DESTDIR is honoured for staging).
install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)
	-@if [ -z "$(DESTDIR)" ] && command -v update-desktop-database >/dev/null; then \
		update-desktop-database -q $(PREFIX)/share/applications 2>/dev/null || true; fi
	-@if [ -z "$(DESTDIR)" ] && command -v gtk-update-icon-cache >/dev/null; then \
		gtk-update-icon-cache -q -t $(PREFIX)/share/icons/hicolor 2>/dev/null || true; fi

# Starts the app when the current user logs in: the installed program when
# there is one under $(PREFIX), otherwise the one in $(BUILD_DIR).
install-autostart: build
	@program="$(PREFIX)/bin/brivet"; \
	if [ ! -x "$$program" ]; then program="$(abspath $(BUILD_DIR))/bin/brivet"; fi; \
	mkdir -p "$(AUTOSTART_DIR)"; \
	sed -e "s|@BRIVET_EXEC@|$$program|" resources/desktop/$(DESKTOP_ID).desktop.in > "$(AUTOSTART_DIR)/$(DESKTOP_ID).desktop"; \
	echo "X-GNOME-Autostart-enabled=true" >> "$(AUTOSTART_DIR)/$(DESKTOP_ID).desktop"; \
	echo "Autostart: $(AUTOSTART_DIR)/$(DESKTOP_ID).desktop runs $$program"

uninstall-autostart:
	rm -f "$(AUTOSTART_DIR)/$(DESKTOP_ID).desktop"

# PNGs of the real cards (every size and theme, a scene board, the detail
# editor, a card and an editor that scroll), of the tray panel (with work, without, with the size submenu
# open), light and dark, and of every dashboard page (the sync center also
# against a private Evolution Data Server) under a private 1920x1080 X server.
SCREENSHOT_DIR ?= $(BUILD_DIR)/screenshots
screenshots: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) --target brivet-screenshots -j $(JOBS)
	xvfb-run -a -s "-screen 0 1920x1080x24" $(BUILD_DIR)/bin/brivet-screenshots $(SCREENSHOT_DIR)

# Takes the screenshots again and prints, per image, how many pixels differ
# from a reference run kept in SCREENSHOT_REFERENCE (save one first with
# cp -r $(SCREENSHOT_DIR) $(SCREENSHOT_REFERENCE)).
SCREENSHOT_REFERENCE ?= $(BUILD_DIR)/screenshots-before
screenshots-diff: screenshots
	@tools/screenshots/screenshots-diff.sh $(SCREENSHOT_REFERENCE) $(SCREENSHOT_DIR)

clean:
	rm -rf $(BUILD_DIR)
