# Copies the chart library's minified bundles from the npm installation
# (web/node_modules) into the resources' vendor folder, where the HTML writer
# reads them and inlines them into every report that draws charts.
# Run as: cmake -DSOURCE=<node_modules> -DDESTINATION=<resources>/vendor -P CopyChartLibrary.cmake
set(bundles
  vega/build/vega.min.js
  vega-interpreter/build/vega-interpreter.min.js
  vega-lite/build/vega-lite.min.js
  vega-embed/build/vega-embed.min.js)

set(missing "")
foreach(bundle IN LISTS bundles)
  if(NOT EXISTS "${SOURCE}/${bundle}")
    list(APPEND missing "${bundle}")
  endif()
endforeach()

if(missing)
  # Without the library the reports still work: their charts show as data.
  message(STATUS "Chart library not installed (run scripts/install-deps.sh); "
                 "reports show their charts as data. Missing: ${missing}")
  return()
endif()

file(MAKE_DIRECTORY "${DESTINATION}")
foreach(bundle IN LISTS bundles)
  get_filename_component(name "${bundle}" NAME)
  file(COPY_FILE "${SOURCE}/${bundle}" "${DESTINATION}/${name}" ONLY_IF_DIFFERENT)
endforeach()
