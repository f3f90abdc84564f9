#include "quillokit/install_script.h"

#include <QProcess>

namespace InstallScript {

QString text()
{
    // The new folder is copied beside the old one first, so the switch itself is two renames on one file
    // system; any failure puts the old folder back.
    return QStringLiteral(R"sh(pid="$1" staged="$2" dest="$3" relaunch="$4"
case "$pid" in
    '' | *[!0-9]* | 0 | 1) pid="" ;;
esac
i=0
while [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null && [ "$i" -lt 600 ]; do
    sleep 0.1
    i=$((i + 1))
done
old="$dest.quillo-old"
new="$dest.quillo-new"
rm -rf "$old" "$new"
if [ ! -e "$old" ] && [ ! -e "$new" ] && cp -a "$staged" "$new"; then
    if mv "$dest" "$old"; then
        if mv "$new" "$dest"; then
            rm -rf "$old"
        else
            rm -rf "$dest"
            mv "$old" "$dest"
        fi
    fi
fi
rm -rf "$new"
rm -rf "$(dirname "$staged")"
if [ "$relaunch" = 1 ]; then
    "$dest/bin/mountwire" </dev/null >/dev/null 2>&1 &
fi
exit 0
)sh");
}

bool launch(qint64 processId, const QString& staged, const QString& installed, bool relaunch)
{
    QProcess script;
    script.setProgram(QStringLiteral("/bin/sh"));
    script.setArguments({QStringLiteral("-c"), text(), QStringLiteral("quillo-update"), QString::number(processId),
                         staged, installed, relaunch ? QStringLiteral("1") : QStringLiteral("0")});
    script.setStandardInputFile(QProcess::nullDevice());
    script.setStandardOutputFile(QProcess::nullDevice());
    script.setStandardErrorFile(QProcess::nullDevice());
    return script.startDetached();
}

} // namespace InstallScript
