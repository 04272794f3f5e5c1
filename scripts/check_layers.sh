#!/usr/bin/env bash
# Keeps widgets out of the logic: no file of the folders below the faces (nor
# the plot's model and feeding) includes a QtGui or QtWidgets header, and no
# library of theirs links Qt Gui or Qt Widgets. Prints each offence and fails.
set -euo pipefail
cd "$(dirname "$0")/.."
qt_include=${QT_INCLUDE_DIR:-$(pkg-config --variable=includedir Qt6Core 2>/dev/null || echo /usr/include/x86_64-linux-gnu/qt6)}
folders=(common stick flash net settings publish history core service)
files=()
for f in "${folders[@]}"; do
    [ -d "src/$f" ] && while IFS= read -r -d '' file; do files+=("$file"); done \
        < <(find "src/$f" -type f \( -name '*.h' -o -name '*.cpp' \) -print0)
done
files+=(src/plot/plot_model.h src/plot/plot_model.cpp src/plot/plot_feed.h src/plot/plot_feed.cpp)

status=0
for file in "${files[@]}"; do
    while IFS= read -r line; do
        header=$(sed -E 's/^[0-9]+:[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]([^>"]+)[>"].*/\1/' <<<"$line")
        number=${line%%:*}
        case "$header" in
        QtGui/* | QtWidgets/* | QtMultimedia/* | QtMultimediaWidgets/* | QtOpenGL*/* | QtPrintSupport/*)
            echo "$file:$number: includes <$header>, a widget or drawing header"
            status=1
            continue ;;
        esac
        for module in QtGui QtWidgets QtMultimedia QtMultimediaWidgets QtPrintSupport; do
            if [ -e "$qt_include/$module/$header" ] && [ ! -e "$qt_include/QtCore/$header" ]; then
                echo "$file:$number: includes <$header> from $module"
                status=1
            fi
        done
    done < <(grep -n -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]' "$file" || true)
done

for f in "${folders[@]}"; do
    cmake_file="src/$f/CMakeLists.txt"
    [ -f "$cmake_file" ] || continue
    if grep -n -E 'Qt6::(Gui|Widgets|Multimedia|OpenGL|PrintSupport)' "$cmake_file"; then
        echo "$cmake_file: links a widget or drawing library"
        status=1
    fi
done

[ "$status" -eq 0 ] && echo "No widget or drawing header below the faces (${#files[@]} files)."
exit "$status"
