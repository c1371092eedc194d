# Empties DIRECTORY, so a bounded fuzz run starts from the checked-in corpus
# alone and writes what it finds where no later run reads it.
file(REMOVE_RECURSE ${DIRECTORY})
file(MAKE_DIRECTORY ${DIRECTORY})
