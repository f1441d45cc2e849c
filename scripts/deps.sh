#!/usr/bin/env bash
# Installs the Debian packages that are missing. Usage: deps.sh build|test|bench|fuzz|package|screenshots
set -euo pipefail

build_pkgs=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools
    libgl-dev zlib1g-dev libxcb1-dev libxcb-keysyms1-dev fonts-noto-cjk qt6-translations-l10n
    libwayland-dev libwayland-bin
    xdg-utils libqt6sql6-sqlite)
test_pkgs=(libgtest-dev libgmock-dev xvfb xauth xdotool x11-utils trayer dbus-daemon
    sway weston wl-clipboard qt6-wayland)
bench_pkgs=(libbenchmark-dev hyperfine)
fuzz_pkgs=(clang libclang-rt-14-dev)
# dpkg-shlibdeps works out the package's library dependencies.
package_pkgs=(dpkg-dev file)
screenshot_pkgs=(xvfb xdotool imagemagick)

want=("${build_pkgs[@]}")
for kind in "$@"; do
    case "$kind" in
        build) ;;
        test) want+=("${test_pkgs[@]}") ;;
        bench) want+=("${test_pkgs[@]}" "${bench_pkgs[@]}") ;;
        fuzz) want+=("${test_pkgs[@]}" "${fuzz_pkgs[@]}") ;;
        package) want+=("${package_pkgs[@]}") ;;
        screenshots) want+=("${screenshot_pkgs[@]}") ;;
        *) echo "deps.sh: unknown kind '$kind'" >&2; exit 2 ;;
    esac
done

missing=()
for p in "${want[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
