// PLACEHOLDER: replaced by the PCX writer.
