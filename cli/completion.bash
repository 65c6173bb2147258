# bash completion for tessaro: commands, their options, the values of --format, --lines,
# --language, --codepage and --columns (a comma-separated list), folders for --component-dir and
# files elsewhere (diff: files and folders, also after --old and --new).

_tessaro() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    # "--opt=VALUE" arrives as "--opt" "=" "VALUE" (= is a word break).
    if [[ $cur == = ]]; then
        prev=${COMP_WORDS[COMP_CWORD-1]} cur=
    elif [[ $prev == = && $COMP_CWORD -ge 2 ]]; then
        prev=${COMP_WORDS[COMP_CWORD-2]}
    fi

    local command= word i
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        case $word in
            import | diff | devices | help) command=$word; break ;;
        esac
    done

    case $prev in
        --format) COMPREPLY=($(compgen -W "table csv jsonl" -- "$cur")); return ;;
        --lines) COMPREPLY=($(compgen -W "imported rejected all" -- "$cur")); return ;;
        --mnemonics) COMPREPLY=($(compgen -W "de en auto" -- "$cur")); return ;;
        --language) COMPREPLY=($(compgen -W "en it fr es de zh" -- "$cur")); return ;;
        --codepage) COMPREPLY=($(compgen -W "WINDOWS-1252 CP1250 CP1251 CP1253 CP1254 CP936 CP932 CP949 CP950" -- "$cur")); return ;;
        --columns)
            local columns="Name SectionName DeviceId NestingLevel TagAttribute DataAreaId DataTypeId VariableLen
                FieldAdd1 FieldAdd2 FieldAdd3 FieldAdd4 FieldAdd5 Sign Warning File Line Address Comment Fate Reason"
            if [[ $cur == *,* ]]; then
                COMPREPLY=($(compgen -P "${cur%,*}," -W "$columns" -- "${cur##*,}"))
            else
                COMPREPLY=($(compgen -W "$columns" -- "$cur"))
            fi
            compopt -o nospace 2>/dev/null; return ;;
        --component-dir) compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -d -- "$cur")); return ;;
        --device-db | --messages | --export-sqlite | --summary | --report)
            compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -f -- "$cur")); return ;;
        --device-code | --device-id | --device-name | --wait) return ;;
    esac

    case $command in
        "") COMPREPLY=($(compgen -W "import diff devices help --help --version" -- "$cur")) ;;
        help) COMPREPLY=($(compgen -W "import diff devices" -- "$cur")) ;;
        import)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "--device-db --device-code --device-id --device-name --format --columns
                    --lines --summary --messages --language --codepage --mnemonics --exact --report --component-dir --wait --help" -- "$cur"))
            else
                compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -f -- "$cur"))
            fi ;;
        diff)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "--old --new --format --summary --report --no-renames --ignore-comments --device-db
                    --device-code --device-id --language --codepage --mnemonics --exact --help" -- "$cur"))
            else
                compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -f -- "$cur"))
            fi ;;
        devices) COMPREPLY=($(compgen -W "--device-db --export-sqlite --force --help" -- "$cur")) ;;
    esac
} && complete -F _tessaro tessaro
