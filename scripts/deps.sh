# Sourced by the other scripts: installs the Debian packages a step needs when they are
# missing, or stops with one line naming them when it may not install.
# usage: need_packages PACKAGE...
need_packages() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
            sudo="sudo -n"
        else
            echo "missing Debian packages (install them, or run as root): ${missing[*]}" >&2
            exit 1
        fi
    fi
    echo "installing ${missing[*]}" >&2
    $sudo apt-get update -qq >/dev/null
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}

# The packages every build needs (python3 runs the pseudo-terminal tests; tinygltf and
# tinyobjloader read glTF and OBJ scenes).
need_build_packages() {
    need_packages cmake ninja-build g++ libgtest-dev pkg-config python3 libcli11-dev libstb-dev \
        libtinygltf-dev nlohmann-json3-dev libtinyobjloader-dev
}
