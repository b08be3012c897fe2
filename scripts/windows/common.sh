# Shared by the Windows scripts: where the cross-built libraries are cached and how steps report.
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# Bump the recipe number whenever a library's build options change, so the cache is built afresh.
recipe=1
cache=${FENBAN_WINDOWS_CACHE:-$HOME/.cache/fenban-windows}/recipe-$recipe
prefix=$cache/prefix
export FENBAN_WINDOWS_PREFIX=$prefix
# pkg-config must never hand the host's libraries to the cross compiler.
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig
export PKG_CONFIG_PATH=
mingw_gcc_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name 2>/dev/null || echo /nonexistent/x)")
jobs=$(nproc)

step_number=0
step_count=${step_count:-1}
step() {
    step_number=$((step_number + 1))
    printf '\n[%d/%d] %s (%s)\n' "$step_number" "$step_count" "$1" "$(date +%H:%M:%S)"
}

# Runs a build command with its output in a log file, showing ninja's progress every few seconds.
run_logged() {
    local log=$1
    shift
    mkdir -p "$(dirname "$log")"
    local started=$SECONDS
    "$@" >"$log" 2>&1 &
    local pid=$!
    local last_shown=""
    local ticks=0
    while kill -0 "$pid" 2>/dev/null; do
        sleep 1
        ((++ticks % 15 == 0)) || continue
        local line
        line=$(grep -ao '^\[[0-9]*/[0-9]*\]' "$log" | tail -1 || true)
        if [[ -n "$line" && "$line" != "$last_shown" ]]; then
            printf '    %s steps, %d min\n' "$line" $(((SECONDS - started) / 60))
            last_shown=$line
        fi
    done
    if ! wait "$pid"; then
        echo "Failed; the last lines of $log:" >&2
        tail -40 "$log" >&2
        return 1
    fi
    printf '    done in %d min %d s\n' $(((SECONDS - started) / 60)) $(((SECONDS - started) % 60))
}

# ccache, where the machine has it, makes rebuilding after a change of recipe much quicker.
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
