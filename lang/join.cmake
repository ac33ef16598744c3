# Joins the language fragments IN (a list) into OUT, each starting on a fresh line.
set(text "# Generated from lang/ fragments; edit those, not this file.\n")
foreach(f IN LISTS IN)
  file(READ ${f} part)
  get_filename_component(name ${f} NAME)
  string(APPEND text "# --- ${name}\n${part}\n")
endforeach()
file(WRITE ${OUT}.tmp "${text}")
file(RENAME ${OUT}.tmp ${OUT})
