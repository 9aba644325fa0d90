# Writes the site's worker (sw.js) from its source, with the names and
# SHA-256 digests of the site's files, and the build's name: the digest of
# that list. Run as a script:
#   cmake -DSOURCE=web/sw.js -DSITE=<site folder> -DFILES=<names, ;-separated>
#         -DOUTPUT=<site folder>/sw.js -P SiteWorker.cmake
set(entries)
set(list_text)
list(SORT FILES)
foreach(name IN LISTS FILES)
    file(SHA256 ${SITE}/${name} digest)
    list(APPEND entries "\"${name}\": \"${digest}\"")
    string(APPEND list_text "${name} ${digest}\n")
endforeach()
list(JOIN entries ",\n  " files_text)
string(SHA256 build "${list_text}")
string(SUBSTRING ${build} 0 16 build)
file(READ ${SOURCE} worker)
string(REPLACE "/*ORBIQUEL_SITE_FILES*/" "\n  ${files_text},\n" worker "${worker}")
string(REPLACE "/*ORBIQUEL_BUILD*/" "${build}" worker "${worker}")
file(WRITE ${OUTPUT}.new "${worker}")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
