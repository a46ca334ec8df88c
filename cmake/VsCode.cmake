# The VS Code extension (editors/vscode): staged in build/vscode with its
# TextMate grammar generated from the token table, its npm packages
# installed as package-lock.json pins them (npm ci), its client bundled
# with the libraries it loads into dist/extension.js (esbuild), and
# packaged by vsce as build/qel2json-VERSION.vsix, a handful of files.
# Needs Node.js and npm; once npm ci has run, the build needs no network.
if(QEL_SANITIZE OR QEL_SANITIZE_THREAD OR QEL_FUZZ)
  message(STATUS "VS Code extension: off in sanitizer and fuzzing builds")
  return()
endif()
find_program(QEL_NODE node)
find_program(QEL_NPM npm)
if(NOT QEL_NODE OR NOT QEL_NPM)
  qel_part_off("VS Code extension" "node or npm not found (Debian: nodejs, npm)")
  return()
endif()

set(QEL_VSCODE_DIR ${PROJECT_BINARY_DIR}/vscode)
set(QEL_VSIX ${PROJECT_BINARY_DIR}/qel2json-${PROJECT_VERSION}.vsix)
set(source ${PROJECT_SOURCE_DIR}/editors/vscode)
set(staged "")
foreach(file package.json package-lock.json extension.js language-configuration.json README.md .vscodeignore)
  configure_file(${source}/${file} ${QEL_VSCODE_DIR}/${file} COPYONLY)
  list(APPEND staged ${QEL_VSCODE_DIR}/${file})
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${QEL_VSCODE_DIR}/LICENSE COPYONLY)

set(grammar ${QEL_VSCODE_DIR}/syntaxes/qel.tmLanguage.json)
add_custom_command(OUTPUT ${grammar}
  COMMAND textmate_grammar ${PROJECT_SOURCE_DIR}/scanner/tokens.def ${grammar}
  DEPENDS textmate_grammar ${PROJECT_SOURCE_DIR}/scanner/tokens.def
  COMMENT "Generating the TextMate grammar from the token table")

# npm writes node_modules/.package-lock.json when it is done.
set(installed ${QEL_VSCODE_DIR}/node_modules/.package-lock.json)
add_custom_command(OUTPUT ${installed}
  COMMAND ${QEL_NPM} ci --no-audit --no-fund --loglevel=error
  DEPENDS ${QEL_VSCODE_DIR}/package.json ${QEL_VSCODE_DIR}/package-lock.json
  WORKING_DIRECTORY ${QEL_VSCODE_DIR}
  COMMENT "Installing the VS Code extension's npm packages (npm ci)")

set(bundle ${QEL_VSCODE_DIR}/dist/extension.js)
add_custom_command(OUTPUT ${bundle}
  COMMAND ${QEL_VSCODE_DIR}/node_modules/.bin/esbuild extension.js --bundle --platform=node --format=cjs
    --target=node18 --external:vscode --log-level=warning --outfile=${bundle}
  DEPENDS ${installed} ${QEL_VSCODE_DIR}/extension.js
  WORKING_DIRECTORY ${QEL_VSCODE_DIR}
  COMMENT "Bundling the VS Code extension's client (esbuild)")

# The bundle holds the npm packages the client needs: vsce adds none.
add_custom_command(OUTPUT ${QEL_VSIX}
  COMMAND ${QEL_VSCODE_DIR}/node_modules/.bin/vsce package --no-dependencies --allow-missing-repository
    --out ${QEL_VSIX} > ${PROJECT_BINARY_DIR}/vsce.log
  DEPENDS ${installed} ${grammar} ${bundle} ${staged}
  WORKING_DIRECTORY ${QEL_VSCODE_DIR}
  COMMENT "Packaging the VS Code extension (vsce): ${QEL_VSIX}")
add_custom_target(qel_vscode ALL DEPENDS ${QEL_VSIX})
