# Fills the <releases> of the AppStream metadata from the Debian changelog, so that a
# release is written down once.
# Usage: awk -f metainfo.awk changelog metainfo.xml.in > metainfo.xml
# The template line that holds only @RELEASES@ becomes one <release> per changelog entry,
# newest first, its items as the release's list.

function xml(s) {
    gsub(/&/, "\\&amp;", s); gsub(/</, "\\&lt;", s); gsub(/>/, "\\&gt;", s)
    return s
}
function end_item() {
    if (item != "") items[n, ++count[n]] = item
    item = ""
}
BEGIN {
    split("Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec", names, " ")
    for (m = 1; m <= 12; ++m) month[names[m]] = sprintf("%02d", m)
}
FNR == NR && /^[a-z0-9][a-z0-9.+-]* \(/ {
    end_item()
    ++n
    version[n] = $2
    gsub(/[()]/, "", version[n])
    next
}
FNR == NR && /^  \* / { end_item(); item = substr($0, 5); next }
FNR == NR && /^    [^ ]/ { sub(/^ +/, ""); item = item " " $0; next }
FNR == NR && /^ -- / {
    end_item()
    # " -- Name <address>  Wed, 09 Dec 2026 12:00:00 +0000"
    if (match($0, />  [A-Z][a-z][a-z], [0-9][0-9]? [A-Z][a-z][a-z] [0-9][0-9][0-9][0-9] /)) {
        split(substr($0, RSTART + 8, RLENGTH - 9), d, " ")
        date[n] = sprintf("%s-%s-%02d", d[3], month[d[2]], d[1])
    }
    next
}
FNR == NR { next }
/^[ \t]*@RELEASES@[ \t]*$/ {
    indent = $0
    sub(/@RELEASES@.*/, "", indent)
    print indent "<releases>"
    for (r = 1; r <= n; ++r) {
        print indent "  <release version=\"" version[r] "\" date=\"" date[r] "\">"
        print indent "    <description>"
        print indent "      <ul>"
        for (i = 1; i <= count[r]; ++i) print indent "        <li>" xml(items[r, i]) "</li>"
        print indent "      </ul>"
        print indent "    </description>"
        print indent "  </release>"
    }
    print indent "</releases>"
    next
}
{ print }
