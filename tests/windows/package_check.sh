#!/usr/bin/env bash
# Checks a Windows driver package folder as far as Linux can: the INF's structure and references,
# each model's filter pipeline configuration, the class id it names (created from the DLL under
# Wine), and the options the filter compares in the GPDs. Prints each fault; exits 1 on any.
# Usage: package_check.sh PACKAGE WINE CLASS_CHECK_EXE
set -uo pipefail
package=$1 wine=$2 class_check=$3
inf=$package/brimloft.inf
faults=0
fault() {
  echo "package check: $*"
  faults=$((faults + 1))
}

# The lines of an INF section, without comments and blanks.
section() {
  awk -v name="$1" '
    /^[ \t]*\[/ { inside = (tolower($0) ~ "^[ \t]*\\[" tolower(name) "\\][ \t]*$"); next }
    inside { sub(/;.*/, ""); gsub(/^[ \t]+|[ \t\r]+$/, ""); if ($0 != "") print }' "$inf"
}
has_section() { grep -qi "^\[$1\]" "$inf"; }
# The value of KEY= in a section.
value() { section "$1" | awk -F= -v key="$2" 'tolower($1) == tolower(key) { sub(/^[^=]*=/, ""); print }'; }

[ -f "$inf" ] || { fault "no brimloft.inf in $package"; exit 1; }

# [Version]: a class installer's printer INF, package aware and locked down.
[ "$(value Version Class)" = Printer ] || fault "[Version] Class is not Printer"
[ "$(value Version ClassGUID)" = "{4D36E979-E325-11CE-BFC1-08002BE10318}" ] || fault "[Version] has not the printer class GUID"
[ "$(value Version PnpLockdown)" = 1 ] || fault "[Version] lacks PnpLockdown=1"
[ -n "$(value Version CatalogFile)" ] || fault "[Version] names no catalog"
[ -n "$(value Version DriverVer)" ] || fault "[Version] has no DriverVer"
[ "$(value PrinterPackageInstallation.amd64 PackageAware)" = TRUE ] || fault "no PrinterPackageInstallation.amd64 with PackageAware=TRUE"

models=$(section Manufacturer | sed 's/^[^=]*=//' | awk -F, '{ for (i = 2; i <= NF; i++) if ($i ~ /NTamd64/) print $1 "." $i }' | tr -d ' ')
[ -n "$models" ] || fault "[Manufacturer] names no NTamd64 models section"

copied=()        # every file a CopyFiles section names
classes=()       # VARIANT={CLSID} of each model
declare -A disk  # the files SourceDisksFiles lists
while IFS= read -r line; do disk[${line%%=*}]=1; done < <(section SourceDisksFiles)

count=0
while IFS= read -r model; do
  [ -n "$model" ] || continue
  install=$(echo "$model" | sed 's/^[^=]*=//' | cut -d, -f1 | tr -d ' ')
  name=$(echo "$model" | cut -d= -f1 | tr -d '"' | sed 's/ *$//')
  count=$((count + 1))
  has_section "$install" || { fault "$name: no install section $install"; continue; }
  [ "$(value "$install" DriverFile)" = mxdwdrv.dll ] || fault "$name: DriverFile is not mxdwdrv.dll"
  [ "$(value "$install" ConfigFile)" = UniDrvUI.dll ] || fault "$name: ConfigFile is not UniDrvUI.dll (no print core helper without Unidrv)"
  core=$(value "$install" CoreDriverSections)
  for needed in UNIDRV.OEM XPSDRV.OEM XPSGPD.OEM; do
    [[ $core == *"$needed"* ]] || fault "$name: CoreDriverSections lacks $needed"
  done
  files=()
  for list in $(value "$install" CopyFiles | tr ',' ' '); do
    has_section "$list" || { fault "$name: no CopyFiles section $list"; continue; }
    while IFS= read -r f; do files+=("$f"); copied+=("$f"); done < <(section "$list")
  done
  data=$(value "$install" DataFile)
  printf '%s\n' "${files[@]}" | grep -qx "$data" || fault "$name: DataFile $data is not copied"
  variant=$(sed -n 's/^\*ModelName: "Brimloft \(.*\)"/\1/p' "$package/$data" 2>/dev/null)
  [ -n "$variant" ] || fault "$name: $data names no Brimloft model"
  configs=$(printf '%s\n' "${files[@]}" | grep -- '-pipelineconfig\.xml$')
  [ "$(echo "$configs" | grep -c .)" = 1 ] || { fault "$name: copies $(echo "$configs" | grep -c .) pipeline configurations, not one"; continue; }
  config=$package/$configs
  xmllint --noout "$config" 2>/dev/null || { fault "$name: $configs is not well-formed"; continue; }
  attr() { xmllint --xpath "string($1)" "$config" 2>/dev/null; }
  [ "$(attr '/Filters/FilterServiceProvider/@dll')" = XpsRasterService.dll ] ||
    fault "$name: $configs names no rasterization service (every job would fail)"
  [ "$(attr 'count(/Filters/Filter)')" = 1 ] || fault "$name: $configs has not exactly one filter"
  dll=$(attr '/Filters/Filter/@dll')
  printf '%s\n' "${files[@]}" | grep -qx "$dll" || fault "$name: $configs names $dll, which the model does not copy"
  [ "$(attr '/Filters/Filter/Input/@guid' | tr A-Z a-z)" = "{b8cf8530-5562-47c4-ab67-b1f69ecf961e}" ] ||
    fault "$name: the filter's input is not IXpsDocumentProvider"
  [ "$(attr '/Filters/Filter/Output/@guid' | tr A-Z a-z)" = "{65bb7f1b-371e-4571-8ac7-912f510c1a38}" ] ||
    fault "$name: the filter's output is not IPrintWriteStream"
  classes+=("$variant=$(attr '/Filters/Filter/@clsid')")
done < <(for m in $models; do section "$m"; done)
[ "$count" = 6 ] || fault "$count models, not the six variants"

# Every copied file is listed for the disk and present; every file present is copied.
for f in "${copied[@]}"; do
  [ -n "${disk[$f]:-}" ] || fault "$f is copied but not in SourceDisksFiles"
  [ -f "$package/$f" ] || fault "$f is copied but not in the package"
done
for f in "${!disk[@]}"; do printf '%s\n' "${copied[@]}" | grep -qx "$f" || fault "SourceDisksFiles lists $f, which nothing copies"; done
for path in "$package"/*; do
  f=$(basename "$path")
  case $f in brimloft.inf | brimloft.cat) continue ;; esac
  printf '%s\n' "${copied[@]}" | grep -qx "$f" || fault "$f is in the package but no CopyFiles section names it"
done

# The class ids against the DLL under Wine: each the class of its model's variant.
if [ "${#classes[@]}" -gt 0 ]; then
  (cd "$package" && "$wine" "$class_check" brimloft_filter.dll "${classes[@]}") || faults=$((faults + 1))
fi

# Each option the filter compares, in every model's GPD (with what it includes), with a default it offers.
options=("QVPrintContinuous N S" "QVPrintType Vertical Horizontal" "QVCutType T P S"
         "QVDither None FloydSteinberg 2x2 4x4" "QVBright fraco mfraco normal mforte forte"
         "Orientation PORTRAIT LANDSCAPE_CC90")
for gpd in $(printf '%s\n' "${copied[@]}" | grep -i '^B.*\.GPD$' | grep -vx BRIMLOFT.GPD | sort -u); do
  text=$(cat "$package/$gpd" "$package/BRIMLOFT.GPD" 2>/dev/null)
  for entry in "${options[@]}"; do
    read -r feature wanted <<<"$entry"
    block=$(echo "$text" | awk -v f="*Feature: $feature" '$0 == f { on = 1; next } on && /^\*Feature:/ { on = 0 } on')
    [ -n "$block" ] || { fault "$gpd: no feature $feature"; continue; }
    for option in $wanted; do
      echo "$block" | grep -qx "    \*Option: $option" || fault "$gpd: $feature lacks option $option"
    done
    default=$(echo "$block" | sed -n 's/^    \*DefaultOption: //p')
    [[ " $wanted " == *" $default "* ]] || fault "$gpd: $feature's default \"$default\" is not one of its options"
  done
  units=$(echo "$text" | sed -n 's/^\*MasterUnits: PAIR(\([0-9]*\), \([0-9]*\))/\1 \2/p')
  read -r ux uy <<<"$units"
  [ -n "$units" ] && [ $((ux % 203)) = 0 ] && [ $((uy % 203)) = 0 ] || fault "$gpd: MasterUnits are not a multiple of 203"
  echo "$text" | grep -q '^        \*DPI: PAIR(203, 203)$' || fault "$gpd: no 203 x 203 resolution"
done

[ "$faults" = 0 ]
