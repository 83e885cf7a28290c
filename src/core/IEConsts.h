// Every message text of the system, once, under a name.
// Texts with placeholders are filled by Format (core/Format.h).
// Sections follow the subsystems; add new texts to the section of their user.
#pragma once

// ---- Platform layer
inline constexpr char SOperationAborted[] = "Operation aborted";
inline constexpr char SFormatInvalid[] = "Format '%s' invalid or incompatible with argument";
inline constexpr char SInvalidInteger[] = "'%s' is not a valid integer value";
inline constexpr char SInvalidFloat[] = "'%s' is not a valid floating point value";
inline constexpr char SInvalidCast[] = "Invalid class typecast";
inline constexpr char SDivByZero[] = "Division by zero";
inline constexpr char SAssignError[] = "Cannot assign a %s to a %s";
inline constexpr char SAssignErrorStructures[] = "Error assigning %s to %s";
inline constexpr char SFileOpenError[] = "Cannot open file \"%s\". %s";
inline constexpr char SFileCreateError[] = "Cannot create file \"%s\". %s";
inline constexpr char SReadError[] = "Stream read error";
inline constexpr char SWriteError[] = "Stream write error";
inline constexpr char SInvalidStreamPosition[] = "Invalid stream position: %s";
inline constexpr char SFileReadError[] = "Cannot read file \"%s\". %s";
inline constexpr char SFileWriteError[] = "Cannot write file \"%s\". %s";
inline constexpr char SFileSeekError[] = "Cannot seek in file \"%s\". %s";
inline constexpr char SFileSizeError[] = "Cannot change the size of file \"%s\". %s";

// ---- Component model and its text stream
inline constexpr char SClassNotFound[] = "Class %s not found";
inline constexpr char SDuplicateComponentName[] = "A component named %s already exists";
inline constexpr char SInvalidComponentName[] = "\"%s\" is not a valid component name";
inline constexpr char SInvalidComponentOwner[] =
    "Component %s cannot be owned by itself or by one of its own components";
inline constexpr char SUnknownProperty[] =
    "Error reading %s.%s at line %d: Property %s does not exist";
inline constexpr char SInvalidPropertyValue[] =
    "Error reading %s.%s at line %d: Invalid property value";
inline constexpr char SStreamReadError[] = "Error reading %s at line %d: %s";
inline constexpr char SStreamRootClassMismatch[] = "Cannot read a %s into a %s";
inline constexpr char SPropertyKindMismatch[] = "Property %s.%s does not hold a value of its kind";
inline constexpr char SStreamSyntaxError[] = "Invalid stream format at line %d: %s";
inline constexpr char SStreamExpected[] = "%s expected but %s found";
inline constexpr char SStreamEndOfStream[] = "end of stream";
inline constexpr char SStreamIdentifier[] = "identifier";
inline constexpr char SStreamString[] = "string";
inline constexpr char SStreamValue[] = "property value";
inline constexpr char SStreamInvalidCharacter[] = "invalid character #%d";
inline constexpr char SStreamUnterminatedString[] = "unterminated string";
inline constexpr char SStreamInvalidCharCode[] = "invalid character code #%s";
inline constexpr char SStreamNestingTooDeep[] = "objects nested deeper than %d levels";

// ---- Collections
inline constexpr char SArgumentIsNull[] = "Argument is null";
inline constexpr char SSubscriptOutOfRange[] = "Subscript out of range";
inline constexpr char STableIsEmpty[] = "Table is empty";
inline constexpr char SNoSuchElement[] = "No such element";
inline constexpr char SNoSuchElementKey[] = "No such element: %s";
inline constexpr char SNonEmptyTable[] = "Cannot perform this operation with non-empty table";
inline constexpr char SIllegalNextElement[] = "Illegal NextElement Call, must be iterating over the keys";
inline constexpr char SNonPositiveLoadFactor[] = "Load factor must be greater than 0";
inline constexpr char SListIndexError[] = "List index out of bounds (%d)";
inline constexpr char SSortedListError[] = "Operation not allowed on sorted string list";
inline constexpr char SDuplicateString[] = "String list does not allow duplicates";
inline constexpr char SInterfaceListEmpty[] = "list is empty";
inline constexpr char SListIsEmpty[] = "List is empty";
inline constexpr char SInvalidIndex[] = "Invalid Index";
inline constexpr char SNodeNotFound[] = "Cannot find node within list";
inline constexpr char SEdgeNeedsNodes[] = "Edge must be created with two valid nodes";
inline constexpr char SNodeUnconnected[] = "Node \"%s\" is unconnected to any graph";
inline constexpr char SGraphNotWeighted[] = "Graph is not a weighted graph";

// ---- Values and evaluation context
inline constexpr char SNotAType[] = "Not a %s.  Value Type is %s";
inline constexpr char SNoContext[] = "No context found when trying to resolve a %s value";
inline constexpr char SCorruptedBinding[] = "Corrupted Binding, variable not found: %s";
inline constexpr char SUnknownVariable[] = "Unknown variable name: %s";
inline constexpr char SUnresolvedSlotReference[] =
    "Unable to resolve slot reference: pattern %d, slot %s";

// ---- Rule-language front end: buffered text streams
inline constexpr char SInvalidOrigin[] = "Invalid Origin Point specified: %s";
inline constexpr char SBufferSeekError[] = "Error seeking in buffer";
inline constexpr char SPushBackOverflow[] = "Overflow on push back";
inline constexpr char SInvalidBufferState[] = "Invalid buffer state";

// ---- Rule-language front end: tokenizer
inline constexpr char SInvalidTokenHint[] = "Invalid Token hint for parsing token: %s";

// ---- Rule-language front end: parser framework, expressions, values and facts
inline constexpr char SParsingError[] = "Parsing Error, %s in %s at line %s: %s";
inline constexpr char SUnexpectedTopLevelSymbol[] =
    "Unexpected symbol, expected a \"(\", constant, or global variable: %s";
inline constexpr char SErrorsParsingStream[] = "Errors parsing stream:\r\n%s";
inline constexpr char SConstructNotParsedYet[] = "Unable to parse %s constructs at this time";
inline constexpr char SNestingTooDeep[] = "Expressions nested deeper than %d levels";
inline constexpr char SParserWithoutStream[] = "The parser has no stream to read from";
inline constexpr char SExpectedOpen[] = "Expected \"(\"";
inline constexpr char SExpectedClose[] = "Expected \")\"";
inline constexpr char SExpectedOpenAtom[] = "Expected \"( <atom>\"";
inline constexpr char SMissingName[] = "Missing name";
inline constexpr char SUnexpectedEndOfStream[] = "Unexpected end of stream";
inline constexpr char SBadArgument[] = "Bad Argument: %s";
inline constexpr char SExpectedValueMissing[] = "Expected value missing";
inline constexpr char SEqualsInFact[] = "\"=\" cannot appear as an atom within a fact";
inline constexpr char SBadSlotValue[] = "Bad Slot Value: %s";

// ---- Facts: templates, slots, facts and fact sets
inline constexpr char SImpliedSlotName[] = "__Data";
inline constexpr char SImpliedComment[] = "(Implied)";
inline constexpr char STemplateCopySuffix[] = " Copy";
inline constexpr char SDefaultFactSetName[] = "FactSet";
inline constexpr char SUnexpectedCharacter[] = "%s contains unexpected character: \"%c\"";
inline constexpr char SBadSlotType[] = "Bad Slot Type";
inline constexpr char SBadSlotName[] = "Bad Slot Name: %s";
inline constexpr char SInvalidMultislotDefault[] =
    "Invalid default value for a multislot, must be a multifield: %s";
inline constexpr char SInvalidDefaultSlotValue[] = "Invalid default slot value: %s";
inline constexpr char SSlotIsNotMultislot[] =
    "Invalid value for existing slot, slot is not multislot";
inline constexpr char SMultislotIsNotSlot[] =
    "Invalid value for existing slot, multislot is not slot";
inline constexpr char SIndexDoesNotMatchSlot[] = "Index does not match fact slot name: %s and %s";
inline constexpr char SFactTemplateMissing[] = "Fact Template is missing";
inline constexpr char STemplatesDiffer[] =
    "Unable to assign slot values, fact templates are different: %s and %s";
inline constexpr char SNoSuchSlotName[] = "No such slot name: \"%s\"";

// ---- Facts: patterns, slot tests and rules
inline constexpr char SCannotBindNegatedPattern[] = "Cannot bind a negated pattern to a variable";
inline constexpr char SRuleMissingForPattern[] = "Rule missing for pattern";
inline constexpr char SUnknownInferenceEngine[] = "Unknown/Undefined Inference Engine";
inline constexpr char SFirstUseNegated[] = "First Use of Variable is negated, variable name is %s";
inline constexpr char STestPatternName[] = "test";
inline constexpr char SBlankVariablePrefix[] = "_blank_";
inline constexpr char SFactIndexVariablePrefix[] = "__factidx";
inline constexpr char SGoalPatternPrefix[] = "need-";
inline constexpr char SRuleNamePrefix[] = "Rule_";
inline constexpr char SRuleTextProperty[] = "Text";
// The calls a disjunction of slot constraints is rewritten into.
inline constexpr char SEqFunction[] = "eq";
inline constexpr char SNeqFunction[] = "neq";
inline constexpr char SNotFunction[] = "not";
inline constexpr char SAndFunction[] = "and";
inline constexpr char SOrFunction[] = "or";
// Pieces of the debugging texts of slot and join tests.
inline constexpr char SSlotTestEqualsText[] = "=";
inline constexpr char SSlotTestNotEqualsText[] = "<>";
inline constexpr char SSlotTestSubIndexText[] = " SubIdx: ";
inline constexpr char SSlotTestSlotText[] = " Slot: ";
inline constexpr char SJoinTestTokenIndexText[] = " TokenIdx: ";
inline constexpr char SJoinTestLeftText[] = " Left: ";
inline constexpr char SJoinTestRightText[] = " Right: ";


// ---- Engine
inline constexpr char SUnableToParseType[] = "Unable to parse strings of %s at this time";
inline constexpr char SUnknownType[] = "Unknown Type (%d)";
inline constexpr char SNoParserForType[] =
    "Unable to parse strings of %s: the engine has no rule-language parser";

// ---- Functions
inline constexpr char STooFewArguments[] = "Too few arguments for %s";
inline constexpr char STooManyArguments[] = "Too many arguments for %s";
inline constexpr char SFunctionUnimplemented[] = "Function is unimplemented or unassigned: %s";
inline constexpr char SFunctionError[] = "%s error: %s";
inline constexpr char SInvalidDeffunctionArgType[] = "Invalid argument type for deffunction: \"%s\"";
inline constexpr char SFunctionHelp[] = "%s\r\n     syntax: (%s)";
// The kinds of value AddArgument names in SNotAType.
inline constexpr char SFloatTypeWord[] = "Float type";
inline constexpr char SIntegerTypeWord[] = "Integer type";
inline constexpr char SStringTypeWord[] = "String type";
