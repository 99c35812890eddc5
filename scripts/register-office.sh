#!/usr/bin/env bash
# Registers the office server as this user's word processor, the way an office installation
# registers itself: ".doc" with the document type it names (and that type as its sub-key),
# the user's Office 10.0 key, and Word.Application leading through its CLSID to the
# server's shared object. It writes the registry store files that the library reads:
# $FOLIVEX_HKCR and $FOLIVEX_HKCU, else HKEY_CLASSES_ROOT.reg and HKEY_CURRENT_USER.reg in
# $XDG_CONFIG_HOME/folivex (else ~/.config/folivex).
#
#   scripts/register-office.sh [SERVER.so] register it (running it again changes nothing);
#                                          the default is the server built in build/
#   scripts/register-office.sh --remove    take the registration away
#   scripts/register-office.sh --show      print what is registered and what the checks find
#
# Only the keys named above are replaced or removed; everything else in the files stays.
set -euo pipefail

readonly clsid='{000209FF-0000-0000-C000-000000000046}'
readonly doctype='Word.Document.8'
readonly v5='Windows Registry Editor Version 5.00'

usage() {
  awk 'NR > 1 && /^#/ { sub(/^# ?/, ""); print; next } NR > 1 { exit }' "$0"
}

die() {
  echo "register-office: $*" >&2
  exit 1
}

store_path() { # ROOT
  local named=
  case $1 in
    HKEY_CLASSES_ROOT) named=${FOLIVEX_HKCR:-} ;;
    HKEY_CURRENT_USER) named=${FOLIVEX_HKCU:-} ;;
  esac
  if [ -n "$named" ]; then
    printf '%s\n' "$named"
    return
  fi
  local config
  local xdg=${XDG_CONFIG_HOME:-}
  if [ -n "$xdg" ] && [ "${xdg#/}" != "$xdg" ]; then
    config=$XDG_CONFIG_HOME
  else
    local home=${HOME:-}
    [ -n "$home" ] || home=$(getent passwd "$(id -u)" | cut -d: -f6)
    [ -n "$home" ] || die "no home folder to keep the registry in; set FOLIVEX_HKCR and FOLIVEX_HKCU"
    config=$home/.config
  fi
  printf '%s/folivex/%s.reg\n' "$config" "$1"
}

# The headers this script owns in each root.
classes_keys() {
  printf '%s\n' "[HKEY_CLASSES_ROOT\\.doc]" "[HKEY_CLASSES_ROOT\\.doc\\$doctype]" \
    "[HKEY_CLASSES_ROOT\\Word.Application]" "[HKEY_CLASSES_ROOT\\Word.Application\\CLSID]" \
    "[HKEY_CLASSES_ROOT\\CLSID\\$clsid]" "[HKEY_CLASSES_ROOT\\CLSID\\$clsid\\InprocServer32]"
}
user_keys() {
  printf '%s\n' "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\10.0]"
}

# Refuses a file this script cannot edit safely, before anything is written.
check_editable() { # FILE
  local file=$1 first
  [ -e "$file" ] || return 0
  [ -f "$file" ] || die "$file is not a regular file"
  [ -s "$file" ] || return 0
  if [ "$(head -c 2 "$file" | od -An -tx1 | tr -d ' \n')" = "fffe" ]; then
    die "$file is UTF-16; convert it to UTF-8 first (iconv -f UTF-16 -t UTF-8)"
  fi
  first=$(head -n 1 "$file" | sed -e 's/^\xEF\xBB\xBF//' -e 's/\r$//' -e 's/[ \t]*$//')
  [ "$first" = "$v5" ] || [ "$first" = "REGEDIT4" ] ||
    die "$file does not begin with \"$v5\" or \"REGEDIT4\"; not touching it"
}

# Writes FILE anew: its contents without the sections of the owned headers, then BLOCK.
rewrite() { # FILE OWNED-HEADERS BLOCK
  local file=$1 owned=$2 block=$3 tmp
  mkdir -p "$(dirname "$file")"
  tmp=$(mktemp "$file.XXXXXX")
  if [ -s "$file" ]; then
    OWNED=$owned awk '
      BEGIN { n = split(tolower(ENVIRON["OWNED"]), keys, "\n"); for (i = 1; i <= n; i++) own[keys[i]] = 1 }
      {
        t = $0; sub(/\r$/, "", t); sub(/^[ \t]+/, "", t); sub(/[ \t]+$/, "", t)
        if (substr(t, 1, 1) == "[") drop = (tolower(t) in own)
        if (drop) next
        if (t == "") { pending = pending $0 "\n"; next }  # blank lines at the end go
        printf "%s", pending; pending = ""; print
      }' "$file" >"$tmp" || { rm -f "$tmp"; die "cannot rewrite $file"; }
  else
    printf '%s\n' "$v5" >"$tmp"
  fi
  [ -z "$block" ] || printf '\n%s' "$block" >>"$tmp"
  chmod 644 "$tmp"
  mv -f "$tmp" "$file"
}

register() { # SERVER
  local server=$1
  [ -f "$server" ] || die "no server at $server (build it first)"
  case $server in *[[:cntrl:]]*) die "the server's path holds a control character" ;; esac
  server="$(cd "$(dirname "$server")" && pwd -P)/$(basename "$server")"
  local quoted=${server//\\/\\\\}
  quoted=${quoted//\"/\\\"}
  local hkcr hkcu
  hkcr=$(store_path HKEY_CLASSES_ROOT)
  hkcu=$(store_path HKEY_CURRENT_USER)
  check_editable "$hkcr"
  check_editable "$hkcu"
  rewrite "$hkcr" "$(classes_keys)" "[HKEY_CLASSES_ROOT\\.doc]
@=\"$doctype\"

[HKEY_CLASSES_ROOT\\.doc\\$doctype]

[HKEY_CLASSES_ROOT\\Word.Application]
@=\"Folivex office server\"

[HKEY_CLASSES_ROOT\\Word.Application\\CLSID]
@=\"$clsid\"

[HKEY_CLASSES_ROOT\\CLSID\\$clsid]
@=\"Word.Application\"

[HKEY_CLASSES_ROOT\\CLSID\\$clsid\\InprocServer32]
@=\"$quoted\"
"
  rewrite "$hkcu" "$(user_keys)" "[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\10.0]
"
  echo "registered $server"
  echo "  in $hkcr"
  echo "  and $hkcu"
}

unregister() {
  local hkcr hkcu
  hkcr=$(store_path HKEY_CLASSES_ROOT)
  hkcu=$(store_path HKEY_CURRENT_USER)
  check_editable "$hkcr"
  check_editable "$hkcu"
  [ ! -e "$hkcr" ] || rewrite "$hkcr" "$(classes_keys)" ""
  [ ! -e "$hkcu" ] || rewrite "$hkcu" "$(user_keys)" ""
  echo "removed the registration from $hkcr and $hkcu"
}

# The default string of each key and which keys exist (their ancestors too), as
# "key<TAB>value" lines; the value is "-" for a key without a string default.
read_store() { # FILE
  [ -f "$1" ] || return 0
  awk '
    function add(k,   p) { if (!(k in has)) { has[k] = 1; order[++n] = k }
                         p = k; while (sub(/\\[^\\]*$/, "", p)) if (!(p in has)) { has[p] = 1; order[++n] = p } }
    {
      t = $0; sub(/\r$/, "", t); sub(/^[ \t]+/, "", t); sub(/[ \t]+$/, "", t)
      if (t ~ /^\[-/) { key = ""; next }
      if (t ~ /^\[.*\]$/) {
        key = tolower(substr(t, 2, length(t) - 2)); sub(/^[^\\]*\\?/, "", key); add(key); next
      }
      if (t == ";@access=read" && key != "") { ro[key] = 1; next }
      if (key != "" && t ~ /^@[ \t]*=[ \t]*"/) {
        v = t; sub(/^@[ \t]*=[ \t]*"/, "", v); sub(/"[ \t]*(;.*)?$/, "", v)
        gsub(/\\\\/, "\001", v); gsub(/\\"/, "\"", v); gsub(/\001/, "\\", v); val[key] = v
      }
    }
    END { for (i = 1; i <= n; i++) { k = order[i]; printf "%s\t%s\t%s\n", k, ((k in val) ? val[k] : "-"), ((k in ro) ? "ro" : "rw") } }
  ' "$1"
}

show() {
  local hkcr hkcu classes user
  hkcr=$(store_path HKEY_CLASSES_ROOT)
  hkcu=$(store_path HKEY_CURRENT_USER)
  classes=$(read_store "$hkcr")
  user=$(read_store "$hkcu")
  # Awk's -v would take the backslashes of key paths for escapes: the key goes through the
  # environment instead.
  lookup() {
    printf '%s\n' "$1" | KEY=$2 awk -F'\t' 'BEGIN { k = tolower(ENVIRON["KEY"]) }
      $1 == k { print $2 "\t" $3; found = 1 } END { exit !found }'
  }
  state() { if [ -f "$1" ]; then echo "$1"; else echo "$1 (no file: nothing registered)"; fi; }

  echo "HKEY_CLASSES_ROOT: $(state "$hkcr")"
  local installed=no doc sub server
  if doc=$(lookup "$classes" .doc); then
    local name=${doc%%$'\t'*} access=${doc##*$'\t'}
    [ "$name" = - ] && name=
    if [ "${name:0:1}" = "\\" ]; then sub=${name:1}; else sub=.doc${name:+\\$name}; fi
    printf '  .doc: default value "%s"%s\n' "$name" "$([ "$access" = ro ] && echo ', read-only')"
    if lookup "$classes" "$sub" >/dev/null; then
      echo "  the key it names, $sub: present"
      [ "$access" = ro ] || installed=yes
    else
      echo "  the key it names, $sub: missing"
    fi
  else
    echo "  .doc: missing"
  fi
  local id
  if id=$(lookup "$classes" 'Word.Application\CLSID') && [ "${id%%$'\t'*}" != - ]; then
    id=${id%%$'\t'*}
    if server=$(lookup "$classes" "CLSID\\$id\\InprocServer32") && [ "${server%%$'\t'*}" != - ]; then
      server=${server%%$'\t'*}
      printf '  Word.Application: %s -> %s%s\n' "$id" "$server" "$([ -f "$server" ] || echo ' (no such file)')"
    else
      echo "  Word.Application: $id, with no InprocServer32"
    fi
  else
    echo "  Word.Application: not registered"
  fi
  echo "HKEY_CURRENT_USER: $(state "$hkcu")"
  local versions=
  for v in 9.0 10.0; do
    if lookup "$user" "Software\\Microsoft\\Office\\$v" >/dev/null; then
      echo "  Software\\Microsoft\\Office\\$v: present"
      versions="$versions $v"
    else
      echo "  Software\\Microsoft\\Office\\$v: missing"
    fi
  done
  if [ $installed = no ]; then
    echo "A word file gets WM_CONVERT_ERROR 100 (no word processor for .doc): run $0 SERVER.so"
  elif [ -z "$versions" ]; then
    echo "A word file gets WM_CONVERT_ERROR 110 (neither Office 9.0 nor 10.0): run $0 SERVER.so"
  else
    echo "The checks pass (Office$versions)."
  fi
}

case ${1:-} in
  --show) show ;;
  --remove) unregister ;;
  -h | --help) usage ;;
  '')
    built="$(cd "$(dirname "$0")/.." && pwd)/build/src/automation/office/libfolivex-office.so"
    [ -f "$built" ] || { usage >&2; die "no server built at $built; name the server's .so"; }
    register "$built"
    ;;
  -*) die "unknown option $1 (try --help)" ;;
  *) register "$1" ;;
esac
